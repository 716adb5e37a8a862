#pragma once
// A text that overwrites its characters when it goes away or is cleared, for passwords.
#include <string>

namespace vardex {

// Overwrites size bytes at data so that the compiler cannot drop the writes.
inline void WipeBytes(void* data, std::size_t size) noexcept
{
    volatile char* bytes = static_cast<volatile char*>(data);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = 0;
}

template <typename Char>
void WipeText(std::basic_string<Char>& text) noexcept
{
    WipeBytes(text.data(), text.capacity() * sizeof(Char));
    text.clear();
}

class WipedString {
public:
    WipedString() = default;
    // A short text lives inside the string object itself, and moving copies it: what is left
    // behind is wiped too.
    explicit WipedString(std::string text) : text_(std::move(text)) { WipeText(text); }
    WipedString(const WipedString&) = delete;
    WipedString& operator=(const WipedString&) = delete;
    // Moving hands the characters over; the text left behind is empty and wiped.
    WipedString(WipedString&& other) noexcept : text_(std::move(other.text_)) { WipeText(other.text_); }
    WipedString& operator=(WipedString&& other) noexcept
    {
        WipeText(text_);
        text_ = std::move(other.text_);
        WipeText(other.text_);
        return *this;
    }
    ~WipedString() { WipeText(text_); }

    const std::string& Text() const noexcept { return text_; }
    std::string& Text() noexcept { return text_; }

private:
    std::string text_;
};

}  // namespace vardex
