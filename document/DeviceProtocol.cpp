#include "DeviceProtocol.h"

namespace {

template <typename Matches>
const DownloadKind* FindKind(Matches matches)
{
    for (const DownloadKind& kind : kDownloadKinds) {
        if (matches(kind))
            return &kind;
    }
    return nullptr;
}

}  // namespace

const DownloadKind* DownloadKindForState(int32_t state)
{
    return FindKind([state](const DownloadKind& k) { return k.requestState == state; });
}

const DownloadKind* DownloadKindForCommand(unsigned commandId)
{
    return FindKind([commandId](const DownloadKind& k) { return k.commandId == commandId; });
}

const DownloadKind* DownloadKindForName(std::string_view name)
{
    return FindKind([name](const DownloadKind& k) { return name == k.name; });
}

const DownloadKind* DownloadKindForDeviceCommand(std::string_view command)
{
    return FindKind([command](const DownloadKind& k) { return command == k.deviceCommand; });
}

bool IsTransferCommand(std::string_view command)
{
    return DownloadKindForDeviceCommand(command) || command == kCmdUpload || command == kCmdDeliveryMode;
}
