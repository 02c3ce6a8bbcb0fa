#pragma once
// Answers every message box with OK while it lives and keeps the texts shown.
#include "MessageBox.h"

#include <QString>
#include <vector>

class MessageRecorder {
public:
    MessageRecorder()
    {
        framework::SetMessageBoxHandler([this](const QString& text, unsigned) {
            texts.push_back(text);
            return framework::IDOK;
        });
    }
    ~MessageRecorder() { framework::SetMessageBoxHandler({}); }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    std::vector<QString> texts;
};
