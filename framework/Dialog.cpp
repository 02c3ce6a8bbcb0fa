#include "Dialog.h"

#include "MessageBox.h"
#include "Resources.h"
#include "StockTexts.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QValidator>

#include <utility>
#include <vector>

namespace framework {
namespace {

constexpr const char* kControlIdProperty = "dlgCtrlId";

// Lets typing stop at the limit while text set by the program is still checked on OK.
class MaxCharsValidator : public QValidator {
public:
    MaxCharsValidator(int maxChars, QObject* parent) : QValidator(parent), m_maxChars(maxChars) {}
    void SetMaxChars(int maxChars) { m_maxChars = maxChars; }
    State validate(QString& input, int&) const override
    {
        return input.size() <= m_maxChars ? Acceptable : Invalid;
    }

private:
    int m_maxChars;
};

// Routes the window's own OK/Cancel paths (Enter, Escape, closing) to the dialog object.
class DialogWindow : public QDialog {
public:
    DialogWindow(CDialog& owner, QWidget* parent) : QDialog(parent), m_owner(owner) {}
    void accept() override { m_owner.OnOK(); }
    void reject() override { m_owner.OnCancel(); }

private:
    CDialog& m_owner;
};

// Hands Enter in a combo box's edit field straight to the dialog, whose default button takes it.
// Left to itself the combo box first looks the text up in its list and puts the entry it found
// in its place; whether that lookup ignores case depends on its completer, so it is not relied on.
class EnterToDialog : public QObject {
public:
    EnterToDialog(QDialog* dialog, QObject* parent) : QObject(parent), m_dialog(dialog) {}
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter)
            return false;
        QCoreApplication::sendEvent(m_dialog, event);
        return true;
    }

private:
    QDialog* m_dialog;
};

// An editable combo box that keeps its text exactly as typed: no completion from the list (which
// ignores case, and turns "com3" into "COM3" while typing or on leaving the field), no new entries,
// and Enter goes to the dialog.
QComboBox* MakeComboBox(const DialogControl& c, QDialog* dialog)
{
    auto* combo = new QComboBox(dialog);
    combo->setEditable(true);
    combo->setCompleter(nullptr);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->lineEdit()->installEventFilter(new EnterToDialog(dialog, combo->lineEdit()));
    combo->addItems(c.items);
    return combo;
}

// Text as it stands: an ampersand is shown, not taken as a mnemonic, unless the text labels a
// control (its buddy).
QLabel* MakeStaticText(const DialogControl& c, QDialog* dialog)
{
    auto* label = new QLabel(dialog);
    label->setTextFormat(Qt::PlainText);
    label->setText(c.text);
    return label;
}

// The program's icon of the control's id, 32 x 32, at the control's top left.
QLabel* MakeIcon(const DialogControl& c, QDialog* dialog)
{
    constexpr int kIconSize = 32;
    auto* label = new QLabel(dialog);
    label->setPixmap(LoadIcon(static_cast<unsigned>(c.id)).pixmap(kIconSize, kIconSize));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

// Dialog units are a quarter of the font's average character width and an eighth of its height.
QRect toPixels(const QFontMetrics& fm, int x, int y, int cx, int cy)
{
    const QString sample = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const double baseX = fm.horizontalAdvance(sample) / 52.0;
    const double baseY = fm.height();
    auto px = [](int du, double base, int div) { return static_cast<int>(du * base / div + 0.5); };
    return QRect(px(x, baseX, 4), px(y, baseY, 8), px(cx, baseX, 4), px(cy, baseY, 8));
}

}  // namespace

QWidget* CDataExchange::PrepareCtrl(int id)
{
    m_idLastControl = id;
    return m_pDlgWnd->GetDlgItem(id);
}

void DDX_CBString(CDataExchange* dx, int id, QString& value)
{
    auto* combo = qobject_cast<QComboBox*>(dx->PrepareCtrl(id));
    if (!combo)
        return;
    if (dx->m_bSaveAndValidate) {
        value = combo->currentText();
        return;
    }
    for (int i = 0; i < combo->count(); ++i) {
        if (combo->itemText(i).startsWith(value, Qt::CaseInsensitive)) {
            combo->setCurrentIndex(i);
            return;
        }
    }
    combo->setEditText(value);
}

QString MaxCharsText(int maxChars)
{
    return StockText(stockMaxChars).arg(maxChars);
}

bool DDV_MaxChars(CDataExchange* dx, const QString& value, int maxChars)
{
    if (dx->m_bSaveAndValidate) {
        if (value.size() <= maxChars)
            return true;
        AfxMessageBox(MaxCharsText(maxChars), MB_ICONEXCLAMATION);
        dx->Fail();
        return false;
    }
    auto* combo = qobject_cast<QComboBox*>(dx->m_pDlgWnd->GetDlgItem(dx->m_idLastControl));
    QLineEdit* edit = combo ? combo->lineEdit() : qobject_cast<QLineEdit*>(dx->m_pDlgWnd->GetDlgItem(dx->m_idLastControl));
    if (!edit)
        return true;
    // Each exchange into the dialog sets the limit again: the field keeps one validator, so
    // that a dialog opened many times does not collect them.
    if (auto* validator = dynamic_cast<MaxCharsValidator*>(const_cast<QValidator*>(edit->validator())))
        validator->SetMaxChars(maxChars);
    else
        edit->setValidator(new MaxCharsValidator(maxChars, edit));
    return true;
}

CDialog::CDialog(const DialogTemplate& dialogTemplate, QWidget* parent)
    : m_template(dialogTemplate), m_pParent(parent)
{
}

CDialog::~CDialog() = default;

int CDialog::DoModal()
{
    if (!Create())
        return IDCANCEL;
    m_window->exec();
    const int result = m_nResult;
    DestroyWindow();
    return result;
}

bool CDialog::Create()
{
    m_window = std::make_unique<DialogWindow>(*this, m_pParent);
    m_window->setWindowTitle(m_template.caption);
    m_window->setModal(true);
    BuildControls();
    m_nResult = 0;
    return OnInitDialog();
}

void CDialog::DestroyWindow()
{
    m_window.reset();
}

void CDialog::BuildControls()
{
    QFont font(m_template.fontName, m_template.pointSize);
    m_window->setFont(font);
    const QFontMetrics fm(font);
    m_window->setFixedSize(toPixels(fm, 0, 0, m_template.cx, m_template.cy).size());
    std::vector<std::pair<QLabel*, int>> labels;
    for (const DialogControl& c : m_template.controls) {
        QWidget* w = nullptr;
        switch (c.kind) {
        case DialogControl::comboBox: w = MakeComboBox(c, m_window.get()); break;
        case DialogControl::editText: w = new QLineEdit(m_window.get()); break;
        case DialogControl::staticText: w = MakeStaticText(c, m_window.get()); break;
        case DialogControl::icon: w = MakeIcon(c, m_window.get()); break;
        default: w = MakeButton(c); break;
        }
        w->setProperty(kControlIdProperty, c.id);
        QRect r = toPixels(fm, c.x, c.y, c.cx, c.cy);
        if (c.kind == DialogControl::comboBox)
            r.setHeight(w->sizeHint().height());  // the template's height is the open list's
        w->setGeometry(r);
        if (c.kind == DialogControl::staticText && c.buddy != 0)
            labels.emplace_back(static_cast<QLabel*>(w), c.buddy);
    }
    // Tied once every control stands, as a label may come before the control it names.
    for (const auto& [label, buddy] : labels)
        label->setBuddy(GetDlgItem(buddy));
}

QWidget* CDialog::MakeButton(const DialogControl& c)
{
    auto* button = new QPushButton(c.text, m_window.get());
    button->setDefault(c.kind == DialogControl::defPushButton);
    button->setAutoDefault(c.kind == DialogControl::defPushButton);
    const int id = c.id;
    QObject::connect(button, &QPushButton::clicked, m_window.get(), [this, id] {
        if (id == IDOK)
            OnOK();
        else if (id == IDCANCEL)
            OnCancel();
    });
    return button;
}

QWidget* CDialog::GetDlgItem(int id) const
{
    if (!m_window)
        return nullptr;
    for (QWidget* w : m_window->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (w->property(kControlIdProperty).toInt() == id)
            return w;
    }
    return nullptr;
}

bool CDialog::UpdateData(bool saveAndValidate)
{
    CDataExchange dx(this, saveAndValidate);
    DoDataExchange(&dx);
    return !dx.Failed();
}

bool CDialog::OnInitDialog()
{
    UpdateData(false);
    return true;
}

void CDialog::OnOK()
{
    if (UpdateData(true))
        EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::EndDialog(int result)
{
    m_nResult = result;
    if (m_window)
        m_window->done(result);
}

}  // namespace framework
