// Runs the panel's QML test cases (tst_*.qml) with the fixture published.
#include "panel_fixture.h"

#include <QtQuickTest>

QUICK_TEST_MAIN_WITH_SETUP(panel, PanelTestSetup)
