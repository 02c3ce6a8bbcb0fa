#include "PortNames.h"

#include <QByteArray>
#include <QString>

namespace {
constexpr const char* kPortNames[kPortCount] = {
    "COM1", "COM2", "COM3",  "COM4",  "COM5",  "COM6",  "COM7",  "COM8",
    "COM9", "COM10", "COM11", "COM12", "COM13", "COM14", "COM15", "COM16",
};
}

const char* PortNameForIndex(int32_t index)
{
    return index >= 0 && index < kPortCount ? kPortNames[index] : kPortNames[0];
}

int32_t PortIndexForName(std::string_view name)
{
    for (int32_t i = 0; i < kPortCount; ++i) {
        if (name == kPortNames[i])
            return i;
    }
    return -1;
}

QString PortVariableName(int32_t index)
{
    return QStringLiteral("V24_") + QLatin1String(PortNameForIndex(index));
}

int32_t PortIndexForName(const QString& name)
{
    const QByteArray latin1 = name.toLatin1();
    return PortIndexForName(std::string_view(latin1.constData(), static_cast<size_t>(latin1.size())));
}
