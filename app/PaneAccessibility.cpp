#include "app/PaneAccessibility.h"

#include "app/PaneTable.h"
#include "app/PaneView.h"

QAccessibleInterface* paneAccessibilityFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("PaneView") && object && object->isWidgetType())
        return newPaneTable(static_cast<PaneView*>(object));
    return nullptr;
}

void installPaneAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(paneAccessibilityFactory);
        return true;
    }();
    (void)installed;
}
