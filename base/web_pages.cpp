// Addresses of the product and shop pages (configure-time, or the local help).
#include "base/web_pages.h"

#include <QCoreApplication>

#ifndef VORTAXA_PRODUCT_URL
#define VORTAXA_PRODUCT_URL ""
#endif
#ifndef VORTAXA_SHOP_URL
#define VORTAXA_SHOP_URL ""
#endif

namespace webPages {
namespace {

QUrl localHelp(const QString &fragment)
{
    QUrl url = QUrl::fromLocalFile(QCoreApplication::applicationDirPath() + "/help/index.html");
    if (!fragment.isEmpty())
        url.setFragment(fragment);
    return url;
}

QUrl configuredOr(const char *configured, const QString &helpFragment)
{
    const QString text = QString::fromUtf8(configured);
    return text.isEmpty() ? localHelp(helpFragment) : QUrl(text);
}

} // namespace

QUrl productPage()
{
    return configuredOr(VORTAXA_PRODUCT_URL, QString());
}

QUrl shopPage()
{
    return configuredOr(VORTAXA_SHOP_URL, QStringLiteral("presets"));
}

} // namespace webPages

void WebPageOpener::open(const QUrl &page)
{
    if (!openUrl || !openUrl(page))
        emit notOpened(page);
}
