#include "BenchMemory.h"

#include <fstream>
#include <malloc.h>
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
