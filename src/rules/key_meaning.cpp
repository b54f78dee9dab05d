#include "rules/key_meaning.h"

#include "base/device_text.h"
#include "codec/codec.h"

namespace vd {

namespace {

constexpr char kNumberMark[] = "%d";
// More digits than a key's range needs: no int64_t overflow on the way.
constexpr size_t kMostDigits = 12;

// Whether key is pattern with a decimal number (no leading zero) for its
// "%d"; number gets it, 0 for a pattern without one.
bool Matches(const std::string &pattern, const std::string &key, std::string &number) {
    const size_t mark = pattern.find(kNumberMark);
    number.clear();
    if (mark == std::string::npos) return pattern == key;
    const std::string head = pattern.substr(0, mark), tail = pattern.substr(mark + 2);
    if (key.size() <= head.size() + tail.size() || key.compare(0, head.size(), head) != 0 ||
        key.compare(key.size() - tail.size(), tail.size(), tail) != 0)
        return false;
    number = key.substr(head.size(), key.size() - head.size() - tail.size());
    if (number[0] == '0') return false;
    for (const char c : number)
        if (c < '0' || c > '9') return false;
    return true;
}

std::string Substituted(const char *text, const std::string &number) {
    std::string out = text;
    const size_t mark = out.find(kNumberMark);
    if (mark != std::string::npos) out.replace(mark, 2, number);
    return out;
}

KeyMeaning Made(const MeaningRow &row, const std::string &key, const std::string &number) {
    KeyMeaning m;
    m.key = key;
    m.label = Substituted(row.label, number);
    m.group = Substituted(row.group, number);
    m.unit = row.unit;
    m.description = row.description;
    m.allowed = row.allowed;
    m.lowest = row.lowest;
    m.highest = row.highest;
    m.choices.assign(row.choices.begin(), row.choices.end());
    m.readOnly = row.readOnly;
    m.offValue = row.offValue;
    return m;
}

bool InTable(MeaningRows rows, uint8_t typeGroup, const std::string &key, KeyMeaning &out) {
    std::string number;
    for (const MeaningRow &row : rows)
        if ((row.typeGroups == 0 || (row.typeGroups & typeGroup)) && Matches(row.key, key, number)) {
            out = Made(row, key, number);
            return true;
        }
    return false;
}

// Optional minus, then decimal digits, and nothing else.
bool WholeNumber(const std::string &text, int64_t &out) {
    const size_t start = !text.empty() && text[0] == '-' ? 1 : 0;
    if (text.size() == start || text.size() - start > kMostDigits) return false;
    int64_t n = 0;
    for (size_t i = start; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        n = n * 10 + (text[i] - '0');
    }
    out = start ? -n : n;
    return true;
}

std::string ChoicesText(const std::vector<Choice> &choices) {
    std::string out;
    for (size_t i = 0; i < choices.size(); ++i) {
        if (i > 0) out += i + 1 == choices.size() ? " or " : ", ";
        out += std::to_string(choices[i].value) + " = " + choices[i].name;
    }
    return out;
}

}  // namespace

bool FindMeaning(int type, const std::string &key, KeyMeaning &out) {
    if (IsFamilyA(type)) return InTable(FamilyAMeanings(), TypeGroupOf(uint8_t(type)), key, out);
    const FamilyBModel *model = FindFamilyBModel(type);
    if (!model) return false;
    // The table's patterns stand for every port; the model has its own.
    FieldTable table;
    BuildFieldTable(table, model->Ports());
    return FindField(table, key) && InTable(FamilyBMeanings(), 0, key, out);
}

std::string AllowedText(const KeyMeaning &m) {
    std::string text;
    if (m.allowed == Allowed::Range)
        text = "a number from " + std::to_string(m.lowest) + " to " + std::to_string(m.highest) +
               (m.unit.empty() ? "" : " (" + m.unit + ")");
    if (m.allowed == Allowed::Choices) text = ChoicesText(m.choices);
    if (!text.empty() && m.offValue) text += ", or invalid";
    return text;
}

std::string NotAllowed(const KeyMeaning &m, const std::string &value) {
    if (m.allowed == Allowed::Kind || (m.offValue && value == kInvalidValue)) return "";
    int64_t n = 0;
    const bool number = WholeNumber(value, n);
    if (m.allowed == Allowed::Range) {
        if (!number) return "not a number: it takes " + AllowedText(m);
        return n < m.lowest || n > m.highest ? "out of range: it takes " + AllowedText(m) : "";
    }
    for (const Choice &c : m.choices)
        if (number && c.value == n) return "";
    return "not one of its choices: it takes " + AllowedText(m);
}

}  // namespace vd
