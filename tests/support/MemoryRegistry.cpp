#include "MemoryRegistry.h"

#include "common/Text.h"

namespace vardex::test {

class MemoryRegistryKey final : public RegistryKey {
public:
    MemoryRegistryKey(MemoryRegistry& registry, RootKey root, std::string path, bool writable)
        : registry_(registry), root_(root), path_(std::move(path)), writable_(writable)
    {
    }

    std::optional<RegValue> Read(std::string_view name) override
    {
        return registry_.Get(root_, path_, name);
    }

    bool Write(std::string_view name, const RegValue& value) override
    {
        if (!writable_ || value.type == RegType::Other ||
            registry_.failingWrites_.count(MemoryRegistry::Fold(name)))
            return false;
        registry_.Set(root_, path_, name, value);
        registry_.writes_.emplace_back(name);
        return true;
    }

    std::vector<std::string> SubKeyNames() override
    {
        const MemoryRegistry::Key* key = registry_.Find(root_, path_);
        return key ? key->subKeys : std::vector<std::string>();
    }

private:
    MemoryRegistry& registry_;
    RootKey root_;
    std::string path_;
    bool writable_;
};

std::string MemoryRegistry::Fold(std::string_view text)
{
    return AsciiUpperCase(text);
}

std::string MemoryRegistry::Id(RootKey root, std::string_view path)
{
    return (root == RootKey::CurrentUser ? "HKCU\\" : "HKLM\\") + Fold(path);
}

MemoryRegistry::Key* MemoryRegistry::Find(RootKey root, std::string_view path)
{
    const auto it = keys_.find(Id(root, path));
    return it == keys_.end() ? nullptr : &it->second;
}

const MemoryRegistry::Key* MemoryRegistry::Find(RootKey root, std::string_view path) const
{
    const auto it = keys_.find(Id(root, path));
    return it == keys_.end() ? nullptr : &it->second;
}

MemoryRegistry::Key& MemoryRegistry::Ensure(RootKey root, std::string_view path)
{
    if (Key* key = Find(root, path))
        return *key;
    const size_t slash = path.rfind('\\');
    if (slash != std::string_view::npos) {
        Key& parent = Ensure(root, path.substr(0, slash));
        parent.subKeys.emplace_back(path.substr(slash + 1));
    }
    Key& key = keys_[Id(root, path)];
    key.name = std::string(path);
    return key;
}

std::unique_ptr<RegistryKey> MemoryRegistry::Open(RootKey root, std::string_view path, KeyAccess access, bool create)
{
    ++openCount_;
    const std::string id = Id(root, path);
    if (allDenied_.count(id) || (access == KeyAccess::Full && fullDenied_.count(id)))
        return nullptr;
    if (!Find(root, path)) {
        if (!create)
            return nullptr;
        Ensure(root, path);
    }
    return std::make_unique<MemoryRegistryKey>(*this, root, std::string(path), access == KeyAccess::Full);
}

void MemoryRegistry::Set(RootKey root, std::string_view path, std::string_view name, RegValue value)
{
    Key& key = Ensure(root, path);
    Value& slot = key.values[Fold(name)];
    if (slot.name.empty())
        slot.name = std::string(name);
    slot.value = std::move(value);
}

void MemoryRegistry::CreateKey(RootKey root, std::string_view path)
{
    Ensure(root, path);
}

bool MemoryRegistry::HasKey(RootKey root, std::string_view path) const
{
    return Find(root, path) != nullptr;
}

std::optional<RegValue> MemoryRegistry::Get(RootKey root, std::string_view path, std::string_view name) const
{
    const Key* key = Find(root, path);
    if (!key)
        return std::nullopt;
    const auto it = key->values.find(Fold(name));
    if (it == key->values.end())
        return std::nullopt;
    return it->second.value;
}

}  // namespace vardex::test
