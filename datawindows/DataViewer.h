#pragma once
// The data view with its find bar: Ctrl+F opens the bar, Enter or F3 finds the next place,
// Shift+Enter or Shift+F3 the one before, Escape closes the bar. The bar says when the text is
// nowhere in the data.
#include <QByteArray>
#include <QWidget>

class QLabel;
class QLineEdit;
class CDataView;

class CDataViewer : public QWidget {
public:
    explicit CDataViewer(QWidget* parent = nullptr);

    // Shows data as a data file or working storage holds them. Data that only add lines to
    // those shown (working storage while a download arrives) are appended, so that the place
    // shown, the selection and the find bar's result stay.
    void SetData(const QByteArray& bytes);
    CDataView* View() const { return m_pView; }

    void OnFind();
    void OnFindNext(bool backward = false);

    // What the find bar says about the last search, empty while the text was found; the tests
    // read it.
    QString FindResult() const;
    // Ctrl+F, F3 and Shift+F3 search this viewer also while the focus is in the widget given
    // (the list beside the viewer).
    void OfferFindKeys(QWidget* from);
    QLabel* FindResultLabel() const { return m_pFindResult; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void ShowWarningColour();
    QWidget* MakeFindBar();
    void CloseFindBar();

    CDataView* m_pView;
    QWidget* m_pFindBar;
    QLineEdit* m_pFindText;
    QLabel* m_pFindResult = nullptr;
    QByteArray m_shown;
};
