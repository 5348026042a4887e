#pragma once
// Version stamp a component factory reports. A plain aggregate of literals so that
// factories can keep it in a static table.

namespace Zentar {
namespace Component {

struct CVersion {
    const char* name;
    int major;
    int minor;
    int revision;
    const char* revisionText;
    const char* date;
};

} // namespace Component
} // namespace Zentar
