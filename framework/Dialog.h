#pragma once
// Modal dialogs built from a dialog template (positions in dialog units), with data exchange
// between the dialog object's fields and its controls.
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class QDialog;
class QWidget;

namespace framework {

class CDialog;

struct DialogControl {
    enum Kind { comboBox, defPushButton, pushButton, editText, staticText, icon };
    Kind kind;
    int id;
    int x, y, cx, cy;  // dialog units
    QString text;      // button or static text
    QStringList items; // initial list of a combo box
    // A static text that labels this control: its "&" mnemonic moves the focus there, and
    // assistive tools read the text as the control's name. 0: a text of its own.
    int buddy = 0;
};

struct DialogTemplate {
    QString caption;
    int cx, cy;  // dialog units
    QString fontName;
    int pointSize;
    std::vector<DialogControl> controls;
};

// Carries the direction of one exchange; a refused value marks it failed and keeps the dialog open.
class CDataExchange {
public:
    CDataExchange(CDialog* dialog, bool saveAndValidate)
        : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog)
    {
    }
    QWidget* PrepareCtrl(int id);
    void Fail() { m_bFailed = true; }
    bool Failed() const { return m_bFailed; }

    const bool m_bSaveAndValidate;
    CDialog* const m_pDlgWnd;
    int m_idLastControl = 0;

private:
    bool m_bFailed = false;
};

// Combo-box text. To the dialog: selects the first entry that begins with value (ignoring
// case), else shows value in the edit field. From the dialog: value := the edit field's text.
void DDX_CBString(CDataExchange* dx, int id, QString& value);
// To the dialog: limits typing into the last exchanged control to maxChars characters.
// From the dialog: refuses a longer value with the framework's message; false when refused.
bool DDV_MaxChars(CDataExchange* dx, const QString& value, int maxChars);
QString MaxCharsText(int maxChars);

class CDialog {
public:
    explicit CDialog(const DialogTemplate& dialogTemplate, QWidget* parent = nullptr);
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Builds the window, exchanges the fields into it and runs it; IDOK or IDCANCEL.
    int DoModal();

    // Builds the window and runs OnInitDialog without entering its loop (DoModal's first half).
    bool Create();
    void DestroyWindow();
    QDialog* GetWindow() const { return m_window.get(); }
    QWidget* GetDlgItem(int id) const;

    bool UpdateData(bool saveAndValidate = true);
    virtual void DoDataExchange(CDataExchange*) {}
    virtual bool OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    void EndDialog(int result);
    // The button that ended the dialog; the tests' dialogs read it.
    int GetResult() const { return m_nResult; }

private:
    void BuildControls();
    QWidget* MakeButton(const DialogControl& c);

    const DialogTemplate& m_template;
    QWidget* m_pParent;
    std::unique_ptr<QDialog> m_window;
    int m_nResult = 0;
};

}  // namespace framework
