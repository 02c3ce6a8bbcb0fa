#pragma once
// The debug trace: short diagnostic lines for developers ("Failed to create toolbar\n"). They go
// to Qt's debug channel, never to a file; a test can install a sink that keeps them.
#include <QString>
#include <functional>

namespace framework {

// Formats like printf and hands the text to the sink.
void AfxTrace(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Receives every trace text from now on; an empty sink restores the debug channel.
using TraceSink = std::function<void(const QString& text)>;
void SetTraceSink(TraceSink sink);

}  // namespace framework
