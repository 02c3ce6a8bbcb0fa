#include "DataViewer.h"

#include "DataView.h"

#include "Contrast.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <functional>

namespace {

constexpr const char* kNotFound = "Not found";

// Shift+Enter in the find field searches backwards; Escape closes the bar.
class CFindField : public QLineEdit {
public:
    CFindField(CDataViewer* viewer, std::function<void()> close)
        : QLineEdit(viewer), m_pViewer(viewer), m_close(std::move(close))
    {
    }

protected:
    // Escape closes the find bar before it closes the window.
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::ShortcutOverride && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            event->accept();
            return true;
        }
        return QLineEdit::event(event);
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
            return m_pViewer->OnFindNext(event->modifiers() & Qt::ShiftModifier);
        if (event->key() == Qt::Key_Escape)
            return m_close();
        QLineEdit::keyPressEvent(event);
    }

private:
    CDataViewer* m_pViewer;
    std::function<void()> m_close;
};

// The new bytes carry on the shown ones by whole lines: the shown ones end with a line end that
// the new ones do not extend (CR then LF is one line end), so that the lines after the shown
// ones are those of the bytes added.
bool AddsLines(const QByteArray& shown, const QByteArray& bytes)
{
    if (shown.isEmpty() || bytes.size() <= shown.size() || !bytes.startsWith(shown))
        return false;
    const char last = shown.back();
    return last == '\n' || (last == '\r' && bytes.at(shown.size()) != '\n');
}

QShortcut* AddShortcut(QWidget* owner, QObject* receiver, const QKeySequence& key, std::function<void()> handler)
{
    auto* shortcut = new QShortcut(key, owner);
    // Only while the focus is in the owner: a window may hold two viewers.
    shortcut->setContext(Qt::WidgetWithChildrenShortcut);
    QObject::connect(shortcut, &QShortcut::activated, receiver, std::move(handler));
    return shortcut;
}

}  // namespace

CDataViewer::CDataViewer(QWidget* parent) : QWidget(parent), m_pView(new CDataView(this))
{
    m_pFindBar = MakeFindBar();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pView);
    layout->addWidget(m_pFindBar);
    m_pFindBar->hide();
    OfferFindKeys(this);
}

void CDataViewer::OfferFindKeys(QWidget* from)
{
    AddShortcut(from, this, QKeySequence::Find, [this] { OnFind(); });
    AddShortcut(from, this, QKeySequence::FindNext, [this] { OnFindNext(); });
    AddShortcut(from, this, QKeySequence::FindPrevious, [this] { OnFindNext(true); });
}

// "Not found" in red, as dark or as light as the window's colour needs for it to stay readable.
void CDataViewer::ShowWarningColour()
{
    QPalette warning = palette();
    warning.setColor(QPalette::WindowText, ReadableOn(Qt::red, warning.color(QPalette::Window)));
    m_pFindResult->setPalette(warning);
}

void CDataViewer::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && m_pFindResult)
        ShowWarningColour();
}

QWidget* CDataViewer::MakeFindBar()
{
    auto* bar = new QWidget(this);
    m_pFindText = new CFindField(this, [this] { CloseFindBar(); });
    m_pFindText->setPlaceholderText(QStringLiteral("Find in the data"));
    m_pFindResult = new QLabel(bar);
    ShowWarningColour();
    auto* next = new QToolButton(bar);
    next->setText(QStringLiteral("Next"));
    auto* previous = new QToolButton(bar);
    previous->setText(QStringLiteral("Previous"));
    auto* close = new QToolButton(bar);
    close->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    close->setToolTip(QStringLiteral("Close the find bar (Escape)"));
    close->setAutoRaise(true);
    connect(next, &QToolButton::clicked, this, [this] { OnFindNext(); });
    connect(previous, &QToolButton::clicked, this, [this] { OnFindNext(true); });
    connect(close, &QToolButton::clicked, this, [this] { CloseFindBar(); });
    connect(m_pFindText, &QLineEdit::textEdited, m_pFindResult, &QLabel::clear);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 2, 0, 2);
    row->addWidget(m_pFindText, 1);
    row->addWidget(previous);
    row->addWidget(next);
    row->addWidget(m_pFindResult);
    row->addWidget(close);
    return bar;
}

void CDataViewer::SetData(const QByteArray& bytes)
{
    if (AddsLines(m_shown, bytes)) {
        m_pView->AppendLines(DataLines(bytes.mid(m_shown.size())));
    } else if (bytes != m_shown || m_pView->document()->isEmpty()) {
        m_pView->SetLines(DataLines(bytes));
        m_pFindResult->clear();
    }
    m_shown = bytes;
}

void CDataViewer::OnFind()
{
    m_pFindBar->show();
    m_pFindText->setFocus(Qt::ShortcutFocusReason);
    m_pFindText->selectAll();
}

void CDataViewer::OnFindNext(bool backward)
{
    if (m_pFindText->text().isEmpty())
        return OnFind();
    const bool found = m_pView->Find(m_pFindText->text(), backward);
    m_pFindResult->setText(found ? QString() : QString::fromLatin1(kNotFound));
}

QString CDataViewer::FindResult() const
{
    return m_pFindResult->text();
}

void CDataViewer::CloseFindBar()
{
    m_pFindBar->hide();
    m_pView->setFocus(Qt::OtherFocusReason);
}
