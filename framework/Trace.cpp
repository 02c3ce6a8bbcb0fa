#include "Trace.h"

#include <QDebug>
#include <cstdarg>
#include <cstdio>

namespace framework {
namespace {

TraceSink& sinkSlot()
{
    static TraceSink sink;
    return sink;
}

}  // namespace

void AfxTrace(const char* format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    const QString line = QString::fromLocal8Bit(text);
    if (sinkSlot())
        sinkSlot()(line);
    else
        qDebug().noquote().nospace() << line.chopped(line.endsWith(QLatin1Char('\n')) ? 1 : 0);
}

void SetTraceSink(TraceSink sink)
{
    sinkSlot() = std::move(sink);
}

}  // namespace framework
