#include "ViewAccessible.h"

#include "KorvaView.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFontMetrics>
#include <QPointer>
#include <QWindow>

#include <array>

namespace {

enum Part { kPartStatusText, kPartDevice, kPartProgress, kParts };

// Where the parts stand in the view, for a tool that shows what is read.
constexpr QPoint kStatusTextOrigin(10, 3);
constexpr QRect kProgressArea(108, 63, 344, 14);

// One part of the drawn status line: it has no widget of its own, so its interface is
// registered with the tools and lives as long as the view's.
class CViewPartAccessible : public QAccessibleInterface, public QAccessibleValueInterface {
public:
    CViewPartAccessible(CKorvaView* view, Part part) : m_pView(view), m_part(part) {}

    bool isValid() const override { return !m_pView.isNull(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_pView ? m_pView->window()->windowHandle() : nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(m_pView.data()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    void setText(QAccessible::Text, const QString&) override {}

    QAccessible::Role role() const override
    {
        return m_part == kPartProgress ? QAccessible::ProgressBar : QAccessible::StaticText;
    }

    QString text(QAccessible::Text t) const override
    {
        if (!m_pView)
            return QString();
        const CStatusLineShown& line = m_pView->StatusLineShown();
        switch (m_part) {
        case kPartStatusText: return t == QAccessible::Name ? line.strText : QString();
        case kPartDevice: return t == QAccessible::Name ? line.DeviceText() : QString();
        default: break;
        }
        if (t == QAccessible::Name)
            return QStringLiteral("Progress");
        if (t == QAccessible::Value || t == QAccessible::Description)
            return line.bProgress ? QStringLiteral("%1 of %2 lines").arg(line.nCount).arg(line.nFull) : QString();
        return QString();
    }

    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.readOnly = true;
        // A part the line does not show now.
        s.invisible = !m_pView || text(QAccessible::Name).isEmpty()
            || (m_part == kPartProgress && !m_pView->StatusLineShown().bProgress);
        return s;
    }

    QRect rect() const override
    {
        if (!m_pView)
            return QRect();
        const CStatusLineShown& line = m_pView->StatusLineShown();
        const QFontMetrics fm(m_pView->font());
        QRect area;
        if (m_part == kPartStatusText)
            area = QRect(kStatusTextOrigin, QSize(fm.horizontalAdvance(line.strText), fm.height()));
        else if (m_part == kPartDevice)
            area = QRect(line.bLabel ? line.layout.nLabelX : line.layout.nPortX, kStatusTextOrigin.y(),
                         fm.horizontalAdvance(line.DeviceText()), fm.height());
        else
            area = kProgressArea;
        return QRect(m_pView->mapToGlobal(area.topLeft()), area.size());
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface && m_part == kPartProgress)
            return static_cast<QAccessibleValueInterface*>(this);
        return nullptr;
    }

    // The progress: the count of lines the bar was drawn for, against its full scale.
    QVariant currentValue() const override { return m_pView ? m_pView->StatusLineShown().nCount : 0; }
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return m_pView ? m_pView->StatusLineShown().nFull : 0; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

private:
    QPointer<CKorvaView> m_pView;
    Part m_part;
};

// The view as a status bar: its name is the whole line as it reads, its value the progress.
class CKorvaViewAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit CKorvaViewAccessible(CKorvaView* view) : QAccessibleWidget(view, QAccessible::StatusBar)
    {
        for (int i = 0; i < kParts; ++i) {
            m_parts[i] = new CViewPartAccessible(view, static_cast<Part>(i));
            m_partIds[i] = QAccessible::registerAccessibleInterface(m_parts[i]);
        }
    }
    ~CKorvaViewAccessible() override
    {
        for (QAccessible::Id id : m_partIds)
            QAccessible::deleteAccessibleInterface(id);
    }

    CKorvaView* View() const { return static_cast<CKorvaView*>(widget()); }
    QAccessibleInterface* PartOf(int part) const { return m_parts[part]; }

    int childCount() const override { return kParts; }
    QAccessibleInterface* child(int index) const override
    {
        return index >= 0 && index < kParts ? m_parts[index] : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        for (int i = 0; i < kParts; ++i) {
            if (m_parts[i] == child)
                return i;
        }
        return -1;
    }

    QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Name)
            return QAccessibleWidget::text(t);
        const CStatusLineShown& line = View()->StatusLineShown();
        QStringList texts;
        for (const QString& text : {line.strText, line.DeviceText()}) {
            if (!text.isEmpty())
                texts << text;
        }
        return texts.join(QStringLiteral("  "));
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QVariant currentValue() const override { return m_parts[kPartProgress]->valueInterface()->currentValue(); }
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return m_parts[kPartProgress]->valueInterface()->maximumValue(); }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

private:
    std::array<QAccessibleInterface*, kParts> m_parts{};
    std::array<QAccessible::Id, kParts> m_partIds{};
};

QAccessibleInterface* ViewFactory(const QString&, QObject* object)
{
    auto* view = object && object->isWidgetType() ? dynamic_cast<CKorvaView*>(object) : nullptr;
    return view ? new CKorvaViewAccessible(view) : nullptr;
}

}  // namespace

void InstallViewAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(ViewFactory);
        return true;
    }();
    (void)installed;
}

void TellAssistiveTools(CKorvaView* view, unsigned parts)
{
    if (!QAccessible::isActive())
        return;
    auto* iface = dynamic_cast<CKorvaViewAccessible*>(QAccessible::queryAccessibleInterface(view));
    if (!iface)
        return;
    if (parts & kToldStatusLine) {
        for (int part : {kPartStatusText, kPartDevice}) {
            QAccessibleEvent changed(iface->PartOf(part), QAccessible::NameChanged);
            QAccessible::updateAccessibility(&changed);
        }
        QAccessibleEvent changed(view, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&changed);
    }
    if (parts & kToldProgress) {
        const QVariant count = iface->currentValue();
        QAccessibleValueChangeEvent bar(iface->PartOf(kPartProgress), count);
        QAccessible::updateAccessibility(&bar);
        QAccessibleValueChangeEvent line(view, count);
        QAccessible::updateAccessibility(&line);
    }
}
