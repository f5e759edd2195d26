#include "ui/widgets/AccessibleWindow.h"

#include <QAccessibleWidget>
#include <QWidget>

namespace vesk::AccessibleWindow {

namespace {

constexpr char s_property[] = "veskAccessibleWindow";

QAccessibleInterface* windowInterface(const QString& /*className*/, QObject* object)
{
    if (!object || !object->isWidgetType() || !object->property(s_property).toBool())
        return nullptr;
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
}

} // namespace

void mark(QWidget* window)
{
    // Qt keeps the factories; one is enough for every marked window.
    static const bool s_installed = [] {
        QAccessible::installFactory(windowInterface);
        return true;
    }();
    Q_UNUSED(s_installed);
    window->setProperty(s_property, true);
}

} // namespace vesk::AccessibleWindow
