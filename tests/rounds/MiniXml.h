// A small XML reader for checking what the exports wrote: elements, attributes and character
// data, the five predefined entities and numeric references. Anything it cannot parse (an
// unclosed or crossed element, a stray '&' or '<', a missing quote) is an error.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace veldrant::rounds::test {

struct XmlElement {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::vector<std::unique_ptr<XmlElement>> children;
    std::string text;  // character data directly inside, decoded

    const std::string* Attribute(std::string_view key) const {
        for (const auto& [k, v] : attributes) {
            if (k == key)
                return &v;
        }
        return nullptr;
    }
    std::vector<const XmlElement*> All(std::string_view child) const {
        std::vector<const XmlElement*> found;
        for (const auto& c : children) {
            if (c->name == child)
                found.push_back(c.get());
        }
        return found;
    }
    const XmlElement* First(std::string_view child) const {
        auto all = All(child);
        return all.empty() ? nullptr : all[0];
    }
    std::vector<std::string> ChildNames() const {
        std::vector<std::string> names;
        for (const auto& c : children)
            names.push_back(c->name);
        return names;
    }
};

class MiniXml {
public:
    // The root element, or null with `error` set.
    static std::unique_ptr<XmlElement> Parse(std::string_view text, std::string& error) {
        MiniXml p(text);
        auto root = p.Document();
        if (!root)
            error = p.error_ + " at byte " + std::to_string(p.pos_);
        return root;
    }

private:
    explicit MiniXml(std::string_view t) : t_(t) {}

    bool Fail(const std::string& e) {
        if (error_.empty())
            error_ = e;
        return false;
    }
    void Space() {
        while (pos_ < t_.size() &&
               (t_[pos_] == ' ' || t_[pos_] == '\n' || t_[pos_] == '\r' || t_[pos_] == '\t'))
            ++pos_;
    }
    bool Eat(std::string_view s) {
        if (t_.substr(pos_, s.size()) != s)
            return false;
        pos_ += s.size();
        return true;
    }
    std::string Name() {
        size_t b = pos_;
        while (pos_ < t_.size() &&
               (std::isalnum(static_cast<unsigned char>(t_[pos_])) || t_[pos_] == ':' ||
                t_[pos_] == '_' || t_[pos_] == '-' || t_[pos_] == '.'))
            ++pos_;
        return std::string(t_.substr(b, pos_ - b));
    }
    static void AppendUtf8(std::string& out, unsigned long c) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    // Decodes character data up to `stop`; false on a stray '&' or '<'.
    bool Chars(char stop, std::string& out) {
        while (pos_ < t_.size() && t_[pos_] != stop) {
            char c = t_[pos_];
            if (c == '<')
                return Fail("'<' inside character data");
            if (c == '&') {
                size_t semi = t_.find(';', pos_);
                if (semi == std::string_view::npos || semi - pos_ > 10)
                    return Fail("stray '&'");
                std::string_view ref = t_.substr(pos_ + 1, semi - pos_ - 1);
                if (ref == "amp")
                    out.push_back('&');
                else if (ref == "lt")
                    out.push_back('<');
                else if (ref == "gt")
                    out.push_back('>');
                else if (ref == "quot")
                    out.push_back('"');
                else if (ref == "apos")
                    out.push_back('\'');
                else if (ref.size() > 1 && ref[0] == '#')
                    AppendUtf8(out, std::stoul(std::string(ref.substr(1)), nullptr, 10));
                else
                    return Fail("unknown entity");
                pos_ = semi + 1;
                continue;
            }
            if (static_cast<unsigned char>(c) < 0x20 && c != '\n' && c != '\r' && c != '\t')
                return Fail("a control character XML does not allow");
            out.push_back(c);
            ++pos_;
        }
        return true;
    }
    std::unique_ptr<XmlElement> Document() {
        if (Eat("<?xml")) {
            size_t end = t_.find("?>", pos_);
            if (end == std::string_view::npos)
                return Fail("unclosed declaration"), nullptr;
            pos_ = end + 2;
        }
        Space();
        auto root = Element();
        Space();
        if (root && pos_ != t_.size())
            return Fail("text after the root element"), nullptr;
        return root;
    }
    std::unique_ptr<XmlElement> Element() {
        if (!Eat("<"))
            return Fail("expected '<'"), nullptr;
        auto e = std::make_unique<XmlElement>();
        e->name = Name();
        if (e->name.empty())
            return Fail("element without a name"), nullptr;
        for (;;) {
            Space();
            if (Eat("/>"))
                return e;
            if (Eat(">"))
                break;
            std::string key = Name();
            if (key.empty() || !Eat("=\""))
                return Fail("bad attribute"), nullptr;
            std::string value;
            if (!Chars('"', value) || !Eat("\""))
                return Fail("unclosed attribute"), nullptr;
            if (e->Attribute(key))
                return Fail("attribute given twice"), nullptr;
            e->attributes.emplace_back(key, value);
        }
        for (;;) {
            if (!Chars('<', e->text))
                return nullptr;
            if (pos_ >= t_.size())
                return Fail("unclosed element " + e->name), nullptr;
            if (Eat("</")) {
                if (Name() != e->name || !Eat(">"))
                    return Fail("crossed end tag in " + e->name), nullptr;
                return e;
            }
            auto child = Element();
            if (!child)
                return nullptr;
            e->children.push_back(std::move(child));
        }
    }

    std::string_view t_;
    size_t pos_ = 0;
    std::string error_;
};

}  // namespace veldrant::rounds::test
