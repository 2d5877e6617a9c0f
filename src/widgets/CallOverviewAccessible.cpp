#include "widgets/CallOverviewAccessible.h"

#include "widgets/CallOverview.h"

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>

namespace kestrum {

namespace {

class CallOverviewAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
  public:
    explicit CallOverviewAccessible(CallOverview* overview)
        : QAccessibleWidget(overview, QAccessible::Slider) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Value)
            return overview()->positionText();
        return QAccessibleWidget::text(kind);
    }

    QVariant currentValue() const override { return overview()->position(); }
    void setCurrentValue(const QVariant& value) override { overview()->requestPosition(value.toDouble()); }
    QVariant maximumValue() const override { return overview()->length(); }
    QVariant minimumValue() const override { return 0.0; }
    QVariant minimumStepSize() const override { return CallOverview::kKeyStepSeconds; }

  private:
    CallOverview* overview() const { return static_cast<CallOverview*>(widget()); }
};

// Asked for each class of an object, most derived first: answers for the overview itself only.
QAccessibleInterface* accessibleOverview(const QString& className, QObject* object) {
    auto* overview = qobject_cast<CallOverview*>(object);
    if (overview == nullptr || className != QLatin1String(CallOverview::staticMetaObject.className()))
        return nullptr;
    return new CallOverviewAccessible(overview);
}

} // namespace

void installCallOverviewAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(&accessibleOverview);
        return true;
    }();
    (void)installed;
}

} // namespace kestrum
