#include "inbox/online_state.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <net/route.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace vellorin {
namespace {

// The program's title as the offline box names it.
constexpr const char* kApplicationTitle = "Vellorin Pro";

std::optional<std::string> ReadSmallFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> Fields(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> fields;
    std::string field;
    while (in >> field)
        fields.push_back(field);
    return fields;
}

// A hexadecimal field of the route tables; nullopt when it is not one.
std::optional<unsigned long> Hex(const std::string& field) {
    if (field.empty())
        return std::nullopt;
    char* end = nullptr;
    unsigned long value = std::strtoul(field.c_str(), &end, 16);
    if (*end != '\0')
        return std::nullopt;
    return value;
}

bool AllZeroHex(const std::string& field) {
    return !field.empty() && field.find_first_not_of('0') == std::string::npos;
}

bool AnyInterfaceUp() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return false;
    bool up = false;
    for (ifaddrs* entry = list; entry && !up; entry = entry->ifa_next) {
        if (!entry->ifa_addr)
            continue;
        int family = entry->ifa_addr->sa_family;
        unsigned flags = entry->ifa_flags;
        up = (family == AF_INET || family == AF_INET6) && (flags & IFF_UP) &&
             (flags & IFF_RUNNING) && !(flags & IFF_LOOPBACK);
    }
    freeifaddrs(list);
    return up;
}

}  // namespace

bool OnlineState::IsOnline() const {
    return override_ ? *override_ : SystemHasRouteOff();
}

bool SystemHasRouteOff() {
    std::optional<std::string> v4 = ReadSmallFile("/proc/net/route");
    std::optional<std::string> v6 = ReadSmallFile("/proc/net/ipv6_route");
    if (!v4 && !v6)
        return AnyInterfaceUp();
    return (v4 && HasDefaultRouteV4(*v4)) || (v6 && HasDefaultRouteV6(*v6));
}

bool HasDefaultRouteV4(std::string_view procNetRoute) {
    // Iface Destination Gateway Flags RefCnt Use Metric Mask MTU Window IRTT; a heading first.
    std::istringstream in{std::string(procNetRoute)};
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        std::vector<std::string> f = Fields(line);
        if (f.size() < 8 || f[0] == "lo")
            continue;
        std::optional<unsigned long> flags = Hex(f[3]);
        if (AllZeroHex(f[1]) && AllZeroHex(f[7]) && flags && (*flags & RTF_UP) &&
            !(*flags & RTF_REJECT)) {
            return true;
        }
    }
    return false;
}

bool HasDefaultRouteV6(std::string_view procNetIpv6Route) {
    // Destination, prefix length, source, source prefix length, next hop, metric, reference
    // count, use count, flags, interface; no heading.
    std::istringstream in{std::string(procNetIpv6Route)};
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> f = Fields(line);
        if (f.size() < 10 || f[9] == "lo")
            continue;
        std::optional<unsigned long> flags = Hex(f[8]);
        if (AllZeroHex(f[0]) && AllZeroHex(f[1]) && flags && (*flags & RTF_UP) &&
            !(*flags & RTF_REJECT)) {
            return true;
        }
    }
    return false;
}

MessageBoxRequest WorkingOfflineMessage() {
    MessageBoxRequest box;
    box.caption = "Working Offline?";
    box.text = std::string(
                   "Application failed to access Internet connection on this system. "
                   "Please make sure you're working Online and Firewall is configured "
                   "to allow ") +
               kApplicationTitle + " to access Internet connection Line.";
    box.icon = MsgIcon::Exclamation;
    box.buttons = MsgButtons::OK;
    return box;
}

}  // namespace vellorin
