// The two web pages the panel links to. Both can be set when configuring the
// build; by default they open the help page that ships beside the executable.
#pragma once

#include <QObject>
#include <QUrl>

namespace webPages {

QUrl productPage();
QUrl shopPage();

} // namespace webPages

// Opens a web page in the desktop's browser, and says when none could.
class WebPageOpener : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    void open(const QUrl &page);

signals:
    // No browser could open `page`: the panel says so instead of doing nothing.
    void notOpened(const QUrl &page);
};
