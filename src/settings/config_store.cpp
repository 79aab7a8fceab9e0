#include "settings/config_store.h"

#include <cstring>
#include <string>

namespace quelvin {

Text ConfigStore::nextTemporaryPath(unsigned long processId) const {
    static unsigned counter = 0;
    return path_ + "." + std::to_string(processId) + "-" + std::to_string(counter++) + ".tmp";
}

bool ConfigStore::appendUpToZero(Text& text, const char* chunk, std::size_t size) {
    const void* zero = std::memchr(chunk, '\0', size);
    const std::size_t kept = zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - chunk) : size;
    text.append(chunk, kept);
    return zero != nullptr;
}

}  // namespace quelvin
