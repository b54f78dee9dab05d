// The setting rules of a device type: each key's label, group, unit,
// description and the values it takes, as 'vandrel keys TYPE --json' gives
// them, so that the page shows and checks a device's settings by what they
// mean. No device is asked.
#include "dashboard.h"
#include "http_json.h"
#include "key_rules.h"
#include "vandrel_rules.h"

namespace vdweb {

void AddRulesRoutes(httplib::Server &server, Dashboard &) {
    server.Get(R"(/api/rules/(\d{1,3}))", [](const httplib::Request &req, httplib::Response &res) {
        const int type = std::stoi(req.matches[1]);
        if (type > 255 || VR_FamilyOf(type, nullptr) == 0)
            return SendError(res, 404, "type " + std::string(req.matches[1]) + " is a device type of neither family");
        SendJson(res, 200, vdcli::KeyRulesJson(type));
    });
}

}  // namespace vdweb
