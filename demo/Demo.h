#pragma once
// The unattended demonstration: once the (simulated) device is identified it downloads all
// data, answers the program's message, saves the data into the current folder and takes a
// picture of the window during the download, then ends the program.
#include <QObject>
#include <QString>
#include <QTimer>

class CDemo : public QObject {
public:
    static constexpr const char* kDataFile = "korva-demo.txt";
    static constexpr const char* kPictureFile = "korva-demo.png";

    CDemo();
    // Begins watching the main window; the program ends when the demonstration has.
    void Start();
    bool Succeeded() const { return m_bSucceeded; }

private:
    enum class Step { waitForDevice, downloading, done };

    void OnPoll();
    void StartDownload();
    void Finish(bool ok, const QString& message);

    QTimer m_poll;
    Step m_step = Step::waitForDevice;
    bool m_bPictureTaken = false;
    bool m_bCaptured = false;
    bool m_bDownloadFailed = false;
    bool m_bSucceeded = false;
    int m_nPolls = 0;
};
