#pragma once
// The window of "Transfer log...": the transfer log of this run, oldest event first, in a
// monospace font. While it is open it follows the log as transfers run (and keeps the newest
// event in sight unless the user scrolled away from it). Save As writes the log to a file,
// Clear forgets what the log holds so far.
#include <QWidget>

#include <cstdint>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class CTransferLog;

class CTransferLogWnd : public QWidget {
public:
    // How often the window looks for new events while it is shown.
    static constexpr int kFollowMs = 200;

    CTransferLogWnd(CTransferLog& log, QWidget* parent);

    // Shows the window in front with the log as it is now.
    void Present();
    // Takes in the events that came since the last look.
    void Follow();
    void OnSaveAs();
    void OnClear();

    QPlainTextEdit* Text() const { return m_pText; }
    QString Summary() const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QWidget* MakeButtons();
    void Reload();
    void ShowSummary();

    CTransferLog& m_log;
    QPlainTextEdit* m_pText;
    QLabel* m_pSummary;
    QTimer* m_pFollow;
    // What the window shows: the events up to this number, since this many clears.
    quint64 m_nShownUpTo = 0;
    int m_nShownClears = -1;
};
