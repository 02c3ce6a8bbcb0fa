#pragma once
// The transfer commands as the tests list them. The downloads come from the program's table
// of download kinds, which stands in toolbar order; the window test compares that order with
// the toolbar's, written out.
#include "DeviceProtocol.h"
#include "resource.h"

#include <vector>

// The commands that identification and File New enable: the downloads, then delivery mode.
inline const std::vector<unsigned> kDeviceCommands = [] {
    std::vector<unsigned> ids;
    for (const DownloadKind& kind : kDownloadKinds)
        ids.push_back(kind.commandId);
    ids.push_back(ID_DELIVERY_MODE);
    return ids;
}();

// The transfer commands with a toolbar button, in toolbar order: the upload, then the above.
inline const std::vector<unsigned> kTransferCommands = [] {
    std::vector<unsigned> ids = {ID_PUT_DATA};
    ids.insert(ids.end(), kDeviceCommands.begin(), kDeviceCommands.end());
    return ids;
}();
