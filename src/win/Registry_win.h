#pragma once
// The registry of Windows (64-bit view), through the wide API.
#include "common/Registry.h"

namespace vardex {

class Win32Registry final : public Registry {
public:
    std::unique_ptr<RegistryKey> Open(RootKey root, std::string_view path, KeyAccess access,
                                      bool create) override;
};

}  // namespace vardex
