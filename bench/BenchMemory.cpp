#include "BenchMemory.h"

#include <algorithm>
#include <fstream>
#include <malloc.h>
#include <map>
#include <sstream>
#include <string>

namespace vesk::bench {

namespace {

long statusKb(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ':';
    while (std::getline(status, line)) {
        if (line.rfind(prefix, 0) == 0)
            return std::stol(line.substr(prefix.size()));
    }
    return -1;
}

} // namespace

long residentKb()
{
    return statusKb("VmRSS");
}

std::vector<std::pair<std::string, long>> residentParts()
{
    std::map<std::string, long> byMapping;
    std::ifstream smaps("/proc/self/smaps");
    std::string line;
    std::string mapping;
    while (std::getline(smaps, line)) {
        if (line.rfind("Rss:", 0) == 0) {
            byMapping[mapping] += std::stol(line.substr(4));
            continue;
        }
        // A mapping's first line: address range, permissions, offset,
        // device, inode, then its path when it has one.
        std::istringstream fields(line);
        std::string range, permissions, offset, device, inode, path;
        if (!(fields >> range >> permissions >> offset >> device >> inode) ||
            range.find('-') == std::string::npos)
            continue;
        fields >> path;
        if (path.empty() || path == "[heap]" || path.rfind("[stack", 0) == 0)
            mapping = "anonymous";
        else
            mapping = path.substr(path.rfind('/') + 1);
    }
    const struct mallinfo2 heap = mallinfo2();
    const long inUseKb = long((heap.uordblks + heap.hblkhd) / 1024);
    const long anonymousKb = byMapping["anonymous"];
    byMapping.erase("anonymous");
    byMapping["heap allocations in use"] = std::min(inUseKb, anonymousKb);
    byMapping["other anonymous memory"] = std::max(0L, anonymousKb - inUseKb);
    std::vector<std::pair<std::string, long>> parts(byMapping.begin(), byMapping.end());
    std::sort(parts.begin(), parts.end(),
              [](const auto& a, const auto& b) { return a.second > b.second; });
    return parts;
}

long peakResidentKb()
{
    return statusKb("VmHWM");
}

void resetPeak()
{
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
}

} // namespace vesk::bench
