#include "net/broadcast_paths.h"

#include <algorithm>

namespace vd::net {

namespace {

std::vector<std::string> Names(const std::string &selection) {
    std::vector<std::string> names;
    size_t start = 0;
    for (;;) {
        const size_t comma = selection.find(',', start);
        std::string name = selection.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const size_t first = name.find_first_not_of(" \t");
        const size_t last = name.find_last_not_of(" \t");
        if (first != std::string::npos) names.push_back(name.substr(first, last - first + 1));
        if (comma == std::string::npos) return names;
        start = comma + 1;
    }
}

bool Holds(const std::vector<std::string> &names, const std::string &name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

bool HasIndex(const std::vector<NetInterface> &links, uint32_t index) {
    for (const NetInterface &l : links)
        if (l.index == index) return true;
    return false;
}

}  // namespace

BroadcastPaths ChooseBroadcastPaths(const std::vector<NetInterface> &all, const std::string *selection,
                                    const uint32_t *routedSource) {
    const std::vector<std::string> names = selection ? Names(*selection) : std::vector<std::string>();
    const auto chosen = [&](const NetInterface &i) { return i.up && (!selection || Holds(names, i.name)); };
    BroadcastPaths paths;
    // An interface with several addresses sends once, from its first.
    for (const NetInterface &i : all)
        if (chosen(i) && i.canBroadcast && !HasIndex(paths.links, i.index)) paths.links.push_back(i);
    if (!routedSource) return paths;
    const NetInterface *owner = nullptr;
    for (const NetInterface &i : all)
        if (i.address == *routedSource && !owner) owner = &i;
    if (owner)
        paths.routed = chosen(*owner) && !HasIndex(paths.links, owner->index);
    else
        paths.routed = !selection;
    return paths;
}

BroadcastPaths CurrentBroadcastPaths() {
    std::vector<NetInterface> all;
    ListInterfaces(all);
    std::string selection;
    const bool selected = ReadEnvironment(kInterfacesVariable, selection);
    uint32_t routedSource = 0;
    const bool routed = RoutedBroadcastSource(routedSource);
    return ChooseBroadcastPaths(all, selected ? &selection : nullptr, routed ? &routedSource : nullptr);
}

int SendBroadcast(SocketHandle handle, const void *buffer, int length, uint16_t port) {
    const BroadcastPaths paths = CurrentBroadcastPaths();
    bool sent = false;
    int error = kErrNetworkUnreachable;
    const auto note = [&](int result) {
        if (result >= 0)
            sent = true;
        else
            error = LastError();
    };
    // An interface that went down since it was listed fails alone.
    for (const NetInterface &link : paths.links) note(SendBroadcastVia(handle, buffer, length, port, link));
    if (paths.routed) note(SendBytesTo(handle, buffer, length, {kBroadcastAddress, port}));
    if (sent) return length;
    SetLastError(error);
    return -1;
}

}  // namespace vd::net
