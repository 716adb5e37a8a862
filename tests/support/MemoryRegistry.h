#pragma once
// An in-memory registry for tests: keys by root and path (letter case ignored as in Windows),
// with switches that refuse access to a key or make writes of a value fail.
#include "common/Registry.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace vardex::test {

class MemoryRegistry final : public Registry {
public:
    std::unique_ptr<RegistryKey> Open(RootKey root, std::string_view path, KeyAccess access,
                                      bool create) override;

    // Test set-up and inspection; the key is created when missing.
    void Set(RootKey root, std::string_view path, std::string_view name, RegValue value);
    void CreateKey(RootKey root, std::string_view path);
    bool HasKey(RootKey root, std::string_view path) const;
    std::optional<RegValue> Get(RootKey root, std::string_view path, std::string_view name) const;

    // Refuse opening the key with full access (as for an account without write rights), or
    // with any access at all.
    void DenyFullAccess(RootKey root, std::string_view path) { fullDenied_.insert(Id(root, path)); }
    void DenyAllAccess(RootKey root, std::string_view path) { allDenied_.insert(Id(root, path)); }
    // Writes of this value name fail, in every key.
    void FailWritesOf(std::string_view name) { failingWrites_.insert(Fold(name)); }

    int OpenCount() const noexcept { return openCount_; }
    // The names of the values written through keys, in order.
    const std::vector<std::string>& Writes() const noexcept { return writes_; }

    struct Value {
        std::string name;  // as first written
        RegValue value;
    };
    struct Key {
        std::string name;  // the path as first created
        std::map<std::string, Value> values;  // by folded name
        std::vector<std::string> subKeys;  // in creation order
    };

private:
    static std::string Fold(std::string_view text);
    static std::string Id(RootKey root, std::string_view path);
    Key* Find(RootKey root, std::string_view path);
    const Key* Find(RootKey root, std::string_view path) const;
    Key& Ensure(RootKey root, std::string_view path);

    std::map<std::string, Key> keys_;  // by Id
    std::set<std::string> fullDenied_;
    std::set<std::string> allDenied_;
    std::set<std::string> failingWrites_;
    int openCount_ = 0;
    std::vector<std::string> writes_;

    friend class MemoryRegistryKey;
};

}  // namespace vardex::test
