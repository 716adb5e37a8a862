// The Group Policy template against the settings table: every value an administrator sets has a
// policy of its kind, no policy writes a value the lock service does not read, and everything
// the template refers to exists in each of its language files, which all have the strings and
// presentations of en-US. A setting added, renamed or retyped in the table without the template
// fails here, and so does a translation that lacks or adds a string or a presentation control.
#include "common/Accounts.h"
#include "config/SettingsTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace vardex {
namespace {

const std::filesystem::path kPolicyDir =
    std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "resources" / "policy";

// Just enough XML for the template: elements, attributes (entities left as written), comments
// and the declaration. Tags that do not nest throw, and so does a bare "&" or an unknown entity
// in a text or an attribute (a translated text with an unescaped "&" breaks the file).
struct XmlElement {
    std::string name;
    std::map<std::string, std::string> attributes;
    std::vector<XmlElement> children;

    std::string Attribute(const std::string& key) const
    {
        const auto it = attributes.find(key);
        return it == attributes.end() ? std::string() : it->second;
    }
    const XmlElement* Child(std::string_view childName) const
    {
        for (const XmlElement& child : children)
            if (child.name == childName)
                return &child;
        return nullptr;
    }
    void Collect(std::string_view wanted, std::vector<const XmlElement*>& found) const
    {
        if (name == wanted)
            found.push_back(this);
        for (const XmlElement& child : children)
            child.Collect(wanted, found);
    }
    std::vector<const XmlElement*> All(std::string_view wanted) const
    {
        std::vector<const XmlElement*> found;
        Collect(wanted, found);
        return found;
    }
};

class XmlReader {
public:
    explicit XmlReader(std::string text) : text_(std::move(text)) {}

    XmlElement Document()
    {
        SkipMarkup();
        XmlElement root = Element();
        SkipMarkup();
        if (at_ != text_.size())
            Fail("text after the document element");
        return root;
    }

private:
    [[noreturn]] void Fail(const std::string& what) const
    {
        throw std::runtime_error(what + " at offset " + std::to_string(at_));
    }
    bool Next(std::string_view s) const { return std::string_view(text_).substr(at_).starts_with(s); }
    void SkipTo(std::string_view end)
    {
        const std::size_t found = text_.find(end, at_);
        if (found == std::string::npos)
            Fail("no " + std::string(end));
        at_ = found + end.size();
    }
    void SkipSpace()
    {
        while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_])))
            ++at_;
    }
    void SkipMarkup()  // blanks, comments and processing instructions
    {
        for (SkipSpace(); Next("<!--") || Next("<?"); SkipSpace())
            SkipTo(Next("<?") ? "?>" : "-->");
    }
    std::string Name()
    {
        const std::size_t start = at_;
        while (at_ < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[at_])) || text_[at_] == ':' ||
                                      text_[at_] == '_' || text_[at_] == '-' || text_[at_] == '.'))
            ++at_;
        if (at_ == start)
            Fail("a name expected");
        return text_.substr(start, at_ - start);
    }
    void CheckEntities(std::size_t from, std::size_t to) const
    {
        for (std::size_t amp = text_.find('&', from); amp < to; amp = text_.find('&', amp + 1)) {
            const std::size_t end = text_.find(';', amp);
            const std::string entity = end < to ? text_.substr(amp + 1, end - amp - 1) : std::string();
            static const std::set<std::string> kNamed = {"amp", "lt", "gt", "quot", "apos"};
            const bool numeric = entity.size() > 1 && entity[0] == '#' &&
                                 entity.find_first_not_of("0123456789", 1) == std::string::npos;
            if (!kNamed.contains(entity) && !numeric)
                throw std::runtime_error("a bare & or an unknown entity at offset " + std::to_string(amp));
        }
    }
    XmlElement Element()
    {
        if (!Next("<"))
            Fail("\"<\" expected");
        ++at_;
        XmlElement element{Name(), {}, {}};
        for (SkipSpace(); !Next(">") && !Next("/>"); SkipSpace()) {
            const std::string key = Name();
            SkipSpace();
            if (!Next("=\"") && !Next("='"))
                Fail("an attribute value expected");
            const char quote = text_[at_ + 1];
            const std::size_t end = text_.find(quote, at_ + 2);
            if (end == std::string::npos)
                Fail("an unended attribute value");
            CheckEntities(at_ + 2, end);
            if (!element.attributes.emplace(key, text_.substr(at_ + 2, end - at_ - 2)).second)
                Fail("a repeated attribute " + key);
            at_ = end + 1;
        }
        if (Next("/>")) {
            at_ += 2;
            return element;
        }
        ++at_;
        for (;;) {
            const std::size_t textStart = at_;
            at_ = text_.find('<', at_);  // the text is the language file's business
            if (at_ == std::string::npos)
                Fail("an unended element " + element.name);
            CheckEntities(textStart, at_);
            if (Next("<!--")) {
                SkipTo("-->");
            } else if (Next("</")) {
                at_ += 2;
                if (Name() != element.name)
                    Fail("an end tag that does not match " + element.name);
                SkipSpace();
                if (!Next(">"))
                    Fail("\">\" expected");
                ++at_;
                return element;
            } else {
                element.children.push_back(Element());
            }
        }
    }

    std::string text_;
    std::size_t at_ = 0;
};

XmlElement ReadXml(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot read " + path.string());
    std::ostringstream text;
    text << file.rdbuf();
    try {
        return XmlReader(text.str()).Document();
    } catch (const std::runtime_error& error) {
        throw std::runtime_error(path.string() + ": " + error.what());
    }
}

// What a policy writes under a fixed value name.
struct Writer {
    std::string policy;
    std::string key;
    std::string kind;  // "text", "number", "flag", or the element's own name when none of these
    std::vector<std::uint32_t> allowed;  // enum item values; empty for a range
    std::uint32_t min = 0, max = 0;
};

bool WritesDecimal(const XmlElement* value, std::uint32_t number)
{
    const XmlElement* decimal = value ? value->Child("decimal") : nullptr;
    return decimal && decimal->Attribute("value") == std::to_string(number);
}

std::uint32_t Unsigned(const std::string& text)
{
    return static_cast<std::uint32_t>(std::stoul(text));
}

std::map<std::string, Writer> FixedNameWriters(const XmlElement& admx)
{
    std::map<std::string, Writer> writers;
    const auto add = [&](const std::string& valueName, Writer writer) {
        if (!writers.emplace(valueName, std::move(writer)).second)
            ADD_FAILURE() << "two policies write " << valueName;
    };
    for (const XmlElement* policy : admx.All("policy")) {
        const std::string name = policy->Attribute("name");
        EXPECT_EQ(policy->Attribute("class"), "Machine") << name;  // the settings are under HKLM
        const XmlElement* on = policy->Child("enabledValue");
        const XmlElement* off = policy->Child("disabledValue");
        if (!policy->Attribute("valueName").empty() && (on || off)) {
            Writer writer;
            writer.policy = name;
            writer.key = policy->Attribute("key");
            writer.kind = WritesDecimal(on, 1) && WritesDecimal(off, 0) ? "flag" : "other";
            add(policy->Attribute("valueName"), std::move(writer));
        }
        const XmlElement* elements = policy->Child("elements");
        if (!elements)
            continue;
        for (const XmlElement& element : elements->children) {
            if (element.name == "list")
                continue;  // its value names are the administrator's
            Writer writer;
            writer.policy = name;
            writer.key = element.Attribute("key").empty() ? policy->Attribute("key") : element.Attribute("key");
            writer.kind = element.name;
            if (element.name == "text") {
                writer.kind = "text";
            } else if (element.name == "boolean") {
                const XmlElement* t = element.Child("trueValue");
                const XmlElement* f = element.Child("falseValue");
                writer.kind = (!t || WritesDecimal(t, 1)) && (!f || WritesDecimal(f, 0)) ? "flag" : "other";
            } else if (element.name == "decimal" && element.Attribute("storeAsText") != "true") {
                writer.kind = "number";
                writer.min = Unsigned(element.Attribute("minValue").empty() ? "0" : element.Attribute("minValue"));
                writer.max = Unsigned(element.Attribute("maxValue").empty() ? "9999" : element.Attribute("maxValue"));
            } else if (element.name == "enum") {
                writer.kind = "number";
                for (const XmlElement* decimal : element.All("decimal"))
                    writer.allowed.push_back(Unsigned(decimal->Attribute("value")));
            }
            add(element.Attribute("valueName"), std::move(writer));
        }
    }
    return writers;
}

// What an administrator sets: what the configuration window writes and the lock service reads
// (not the service's own counters, nor the window's records of what it changed in Windows).
bool AdministratorSets(const SettingDefinition& definition)
{
    return definition.window != WindowUse::None && definition.toService != nullptr;
}

TEST(PolicyTemplate, EveryAdministratorSettingHasAPolicyOfItsKindAndNoOtherValueIsWritten)
{
    const std::map<std::string, Writer> writers = FixedNameWriters(ReadXml(kPolicyDir / "vardex.admx"));
    std::set<std::string> expected;
    for (const SettingDefinition& definition : SettingsTable()) {
        if (!AdministratorSets(definition))
            continue;
        // Per-user values: the fixed policies are for the users without settings of their own.
        const std::string valueName = SettingValueName(definition, kDefaultUserKey);
        expected.insert(valueName);
        SCOPED_TRACE(valueName);
        const auto it = writers.find(valueName);
        if (it == writers.end()) {
            ADD_FAILURE() << "no policy writes it";
            continue;
        }
        const Writer& writer = it->second;
        EXPECT_EQ(writer.key, kSettingsKeyPath) << writer.policy;
        switch (definition.kind) {
        case SettingKind::Text: EXPECT_EQ(writer.kind, "text") << writer.policy; break;
        case SettingKind::Flag: EXPECT_EQ(writer.kind, "flag") << writer.policy; break;
        case SettingKind::Number: {
            ASSERT_EQ(writer.kind, "number") << writer.policy;
            // The window's default must be a value the policy can give (as the registry's 32 bits).
            const auto fallback = static_cast<std::uint32_t>(std::get<std::int32_t>(definition.windowDefault));
            if (writer.allowed.empty())
                EXPECT_TRUE(writer.min <= fallback && fallback <= writer.max) << writer.policy;
            else
                EXPECT_NE(std::find(writer.allowed.begin(), writer.allowed.end(), fallback), writer.allowed.end())
                    << writer.policy;
            break;
        }
        }
    }
    for (const auto& [valueName, writer] : writers)
        EXPECT_TRUE(expected.contains(valueName)) << writer.policy << " writes " << valueName
                                                  << ", which no administrator sets";
}

// The presentation element that shows each kind of policy element.
const std::map<std::string, std::set<std::string>> kPresentationOf = {
    {"decimal", {"decimalTextBox"}}, {"text", {"textBox", "comboBox"}}, {"enum", {"dropdownList"}},
    {"boolean", {"checkBox"}},       {"list", {"listBox"}},             {"multiText", {"multiTextBox"}}};

void ExpectEveryReferenceResolves(const XmlElement& admx, const XmlElement& adml)
{
    ASSERT_EQ(adml.name, "policyDefinitionResources");
    const XmlElement* resources = admx.Child("resources");
    ASSERT_NE(resources, nullptr);
    EXPECT_EQ(resources->Attribute("minRequiredRevision"), adml.Attribute("revision"));

    std::set<std::string> strings;
    for (const XmlElement* entry : adml.All("string"))
        EXPECT_TRUE(strings.insert(entry->Attribute("id")).second) << "twice: " << entry->Attribute("id");
    std::map<std::string, const XmlElement*> presentations;
    for (const XmlElement* presentation : adml.All("presentation"))
        presentations[presentation->Attribute("id")] = presentation;

    std::vector<const XmlElement*> all{&admx};
    for (std::size_t i = 0; i < all.size(); ++i) {
        for (const XmlElement& child : all[i]->children)
            all.push_back(&child);
        for (const auto& [key, value] : all[i]->attributes)
            if (value.starts_with("$(string.") && value.ends_with(")"))
                EXPECT_TRUE(strings.contains(value.substr(9, value.size() - 10))) << "no string for " << value;
    }

    for (const XmlElement* policy : admx.All("policy")) {
        const std::string name = policy->Attribute("name");
        const XmlElement* elements = policy->Child("elements");
        const std::string reference = policy->Attribute("presentation");
        if (!elements) {
            EXPECT_TRUE(reference.empty()) << name << " shows a presentation without elements";
            continue;
        }
        ASSERT_TRUE(reference.starts_with("$(presentation.")) << name << " has elements but no presentation";
        const auto found = presentations.find(reference.substr(15, reference.size() - 16));
        ASSERT_NE(found, presentations.end()) << "no presentation " << reference;
        // Each element is shown once, by a presentation element of its kind, and nothing else is.
        std::map<std::string, std::string> shown;
        for (const XmlElement& control : found->second->children)
            if (control.name != "text")
                EXPECT_TRUE(shown.emplace(control.Attribute("refId"), control.name).second) << name;
        for (const XmlElement& element : elements->children) {
            const auto control = shown.find(element.Attribute("id"));
            if (control == shown.end()) {
                ADD_FAILURE() << name << " does not show " << element.Attribute("id");
                continue;
            }
            EXPECT_TRUE(kPresentationOf.at(element.name).contains(control->second))
                << name << " shows its " << element.name << " in a " << control->second;
            shown.erase(control);
        }
        EXPECT_TRUE(shown.empty()) << name << " shows " << (shown.empty() ? "" : shown.begin()->first)
                                   << ", which it does not have";
    }
}

// What a translation keeps of en-US: its string ids, and each presentation's controls in order,
// with their attributes (refId, defaults); the texts are the translation's own.
std::set<std::string> Outline(const XmlElement& adml)
{
    std::set<std::string> outline;
    for (const XmlElement* entry : adml.All("string"))
        outline.insert("string " + entry->Attribute("id"));
    for (const XmlElement* presentation : adml.All("presentation")) {
        std::string controls = "presentation " + presentation->Attribute("id") + ":";
        for (const XmlElement& control : presentation->children) {
            controls += " " + control.name;
            for (const auto& [key, value] : control.attributes)
                controls += " " + key + "=" + value;
            controls += ";";
        }
        outline.insert(controls);
    }
    return outline;
}

// The language folders the installer ships, en-US first: the others translate it.
const std::vector<std::string> kLanguages = {"en-US", "de-DE", "fr-FR", "es-ES"};

TEST(PolicyTemplate, EveryReferenceResolvesInEveryLanguageFileAndTranslationsKeepTheEnglishIds)
{
    const XmlElement admx = ReadXml(kPolicyDir / "vardex.admx");
    ASSERT_EQ(admx.name, "policyDefinitions");
    const std::set<std::string> english = Outline(ReadXml(kPolicyDir / kLanguages.front() / "vardex.adml"));
    for (const std::string& language : kLanguages) {
        SCOPED_TRACE(language);
        const XmlElement adml = ReadXml(kPolicyDir / language / "vardex.adml");
        ExpectEveryReferenceResolves(admx, adml);
        const std::set<std::string> outline = Outline(adml);
        for (const std::string& item : english)
            EXPECT_TRUE(outline.contains(item)) << "lacks " << item;
        for (const std::string& item : outline)
            EXPECT_TRUE(english.contains(item)) << "has " << item << ", which en-US does not";
    }
}

}  // namespace
}  // namespace vardex
