#include "rules/key_names.h"

#include <algorithm>

#include "codec/codec.h"

namespace vd {

namespace {

struct IdentityKey {
    const char *key;
    const char *what;
};

const IdentityKey kIdentity[] = {
    {"TYPE", "the device's type code"},
    {"MAC", "the device's MAC address"},
    {"VERSION", "the device's firmware version"},
};

// More edits than this is no typing slip.
constexpr size_t kSlipEdits = 2;

size_t EditDistance(const std::string &a, const std::string &b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t next = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = row[j];
            row[j] = next;
        }
    }
    return row[b.size()];
}

}  // namespace

std::vector<std::string> KeysOf(int type) {
    std::vector<std::string> keys;
    if (IsFamilyA(type)) {
        const TypeGroup group = TypeGroupOf(uint8_t(type));
        for (const ItemRow &row : AllItemRows())
            if ((row.groups & group) && row.access != ItemAccess::WriteOnly && !IsHiddenItemKey(row.key))
                keys.push_back(row.key);
    }
    if (const FamilyBModel *model = FindFamilyBModel(type)) {
        FieldTable table;
        BuildFieldTable(table, model->Ports());
        for (const ConfigField &row : table)
            if (!IsHiddenBlockKey(row.name)) keys.push_back(row.name);
    }
    return keys;
}

const char *IdentityOf(const std::string &key) {
    for (const IdentityKey &k : kIdentity)
        if (key == k.key) return k.what;
    return nullptr;
}

bool IsSecretKey(const std::string &key) { return key == "PASS"; }

std::string ClosestKey(const std::vector<std::string> &keys, const std::string &name) {
    std::string closest;
    size_t best = kSlipEdits + 1;
    for (const std::string &key : keys) {
        const size_t d = EditDistance(key, name);
        if (d < best) {
            best = d;
            closest = key;
        }
    }
    return closest;
}

}  // namespace vd
