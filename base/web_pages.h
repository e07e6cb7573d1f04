// The two web pages the panel links to. Both can be set when configuring the
// build; by default they open the help page that ships beside the executable.
#pragma once

#include <QObject>
#include <QUrl>
#include <functional>

namespace webPages {

QUrl productPage();
QUrl shopPage();

} // namespace webPages

// Opens a web page in the desktop's browser, and says when none could. The
// way to open one is given by its owner (the panel gives the desktop's); the
// back end itself needs no display, so without one every page is not opened.
class WebPageOpener : public QObject {
    Q_OBJECT

public:
    using OpenUrl = std::function<bool(const QUrl &)>;
    using QObject::QObject;
    void setOpenUrl(OpenUrl opener) { openUrl = std::move(opener); }
    void open(const QUrl &page);

signals:
    // No browser could open `page`: the panel says so instead of doing nothing.
    void notOpened(const QUrl &page);

private:
    OpenUrl openUrl;
};
