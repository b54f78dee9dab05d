// Placeholder until the family B handlers lands; accepts nothing.
#include "core/handlers.h"

namespace vd {
namespace {
class CStubDevType : public CDevType {
public:
    int SearchAll() override { return 0; }
    int Search() override { return 0; }
    int RequestInfo() override { return 0; }
    int IsInfoComplete() override { return 0; }
    int OnDatagram(const uint8_t *, int, const char *) override { return 0; }
    int WriteConfig() override { return 0; }
    int UsesDatagram() override { return 1; }
    int SendCmd(int, const char *, char *, size_t) override { return 0; }
    int CanSearch() override { return 0; }
    int IsTypeSupported(int) override { return 0; }
    int IsTransportSupported(int) override { return 0; }
};
}  // namespace
std::unique_ptr<CDevType> MakeFourPortDevType() { return std::make_unique<CStubDevType>(); }
std::unique_ptr<CDevType> MakeEightPortDevType() { return std::make_unique<CStubDevType>(); }
std::unique_ptr<CDevType> MakeTwoPortDevType() { return std::make_unique<CStubDevType>(); }
std::unique_ptr<CDevType> MakeOnePortDevType() { return std::make_unique<CStubDevType>(); }
}  // namespace vd
