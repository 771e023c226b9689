#include "app/qt/Resources.h"

#include <QtCore/QtGlobal>

#include <mutex>

void InitConsoleResources() {
    static std::once_flag once;
    std::call_once(once, [] { Q_INIT_RESOURCE(orvane); });
}
