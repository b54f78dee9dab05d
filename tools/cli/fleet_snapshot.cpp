// A snapshot of a device's settings in the fleet database: what a read gave,
// as the device gave it, with the MAC it reported (else the one last seen
// at its address). A password is never kept.
#include "device_settings.h"
#include "fleet.h"

namespace vdcli {

void Fleet::Snapshot(const Target &t, const Pairs &pairs) {
    std::string error;
    vdfleet::FleetDb *db = Writable();
    if (!db) return;
    vdfleet::Snapshot s;
    s.time = vdfleet::Now();
    s.device = t.addr.text;
    s.type = t.type;
    for (const auto &p : pairs)
        if (!IsSecretKey(p.first)) s.settings.push_back(p);
    if (!FindPair(pairs, "MAC", s.mac)) s.mac = t.addr.isMac ? t.addr.text : "";
    if (s.mac.empty() && !db->MacAt(t.addr.text, s.mac, error)) return Warn("cannot read " + db->Path() + ": " + error);
    if (s.mac.empty()) return m_out.Note("vandrel: no snapshot of " + t.addr.text + ": its MAC address is not known");
    if (m_holding) return m_heldSnapshots.push_back(std::move(s));
    if (!db->Keep({s}, error)) Warn("cannot record the snapshot in " + db->Path() + ": " + error);
}

}  // namespace vdcli
