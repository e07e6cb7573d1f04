// The two web pages the panel links to. Both can be set when configuring the
// build; by default they open the help page that ships beside the executable.
#pragma once

#include <QUrl>

namespace webPages {

QUrl productPage();
QUrl shopPage();

} // namespace webPages
