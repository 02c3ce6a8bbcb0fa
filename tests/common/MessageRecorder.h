#pragma once
// Answers every message box while it lives and keeps what each box showed. Boxes are answered
// from `answers` in order; once those are used up, with OK (or Yes where OK is not offered).
#include "MessageBox.h"

#include <QString>
#include <deque>
#include <vector>

class MessageRecorder {
public:
    MessageRecorder()
    {
        framework::SetMessageBoxHandler([this](const framework::MessageBoxRequest& box) {
            boxes.push_back(box);
            texts.push_back(box.text);
            if (!answers.empty()) {
                const int answer = answers.front();
                answers.pop_front();
                return answer;
            }
            const unsigned buttons = box.type & 0xF;
            return buttons == framework::MB_YESNO || buttons == framework::MB_YESNOCANCEL
                ? static_cast<int>(framework::IDYES)
                : static_cast<int>(framework::IDOK);
        });
    }
    ~MessageRecorder() { framework::SetMessageBoxHandler({}); }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    std::vector<framework::MessageBoxRequest> boxes;
    std::vector<QString> texts;
    std::deque<int> answers;
};
