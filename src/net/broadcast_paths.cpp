#include "net/interfaces.h"

namespace vd::net {

namespace {

bool HasIndex(const std::vector<NetInterface> &links, uint32_t index) {
    for (const NetInterface &l : links)
        if (l.index == index) return true;
    return false;
}

}  // namespace

std::vector<std::string> InterfaceNames(const std::string &selection) {
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

bool IsNamed(const NetInterface &i, const std::string &name, const std::vector<NetInterface> &all) {
    if (i.name == name) return true;
    if (i.alias.empty() || i.alias != name) return false;
    for (const NetInterface &other : all)
        if (other.name == name) return false;
    return true;
}

BroadcastPaths ChooseBroadcastPaths(const std::vector<NetInterface> &all, const std::string *selection,
                                    const uint32_t *routedSource) {
    const std::vector<std::string> names = selection ? InterfaceNames(*selection) : std::vector<std::string>();
    const auto chosen = [&](const NetInterface &i) {
        if (!i.up) return false;
        if (!selection) return true;
        for (const std::string &n : names)
            if (IsNamed(i, n, all)) return true;
        return false;
    };
    BroadcastPaths paths;
    // An interface with several addresses sends once, from its first.
    for (const NetInterface &i : all)
        if (chosen(i) && i.canBroadcast && !HasIndex(paths.links, i.index)) paths.links.push_back(i);
    if (!routedSource) return paths;
    const NetInterface *owner = nullptr;
    for (const NetInterface &i : all)
        if (i.address == *routedSource && !owner) owner = &i;
    if (owner) {
        paths.routed = chosen(*owner) && !HasIndex(paths.links, owner->index);
        paths.routedVia = *owner;
    } else {
        paths.routed = !selection;
        paths.routedVia.address = *routedSource;
    }
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

}  // namespace vd::net
