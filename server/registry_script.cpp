#include "server/registry_script.h"

#include <cwctype>

#include "support/ascii_case.h"

namespace fernwick {
namespace {

using tolk::stdx::AsciiEqualsIgnoreCase;

std::optional<std::wstring> Substitute(std::wstring_view text,
                                       const ScriptReplacements& replacements) {
    std::wstring result;
    result.reserve(text.size());
    while (!text.empty()) {
        const auto percent = text.find(L'%');
        result.append(text.substr(0, percent));
        if (percent == std::wstring_view::npos) break;
        const auto close = text.find(L'%', percent + 1);
        if (close == std::wstring_view::npos) return std::nullopt;
        const auto name = text.substr(percent + 1, close - percent - 1);
        if (name.empty()) {
            result += L'%';
        } else {
            const auto replacement = replacements.find(name);
            if (replacement == replacements.end()) return std::nullopt;
            result += replacement->second;
        }
        text.remove_prefix(close + 1);
    }
    return result;
}

struct Token {
    std::wstring text;
    bool quoted = false;
};

class Tokenizer {
public:
    explicit Tokenizer(std::wstring_view text) : text_(text) {}

    // The next token; nothing at the end of the text, and nothing with Failed() set on an
    // unterminated quote.
    std::optional<Token> Next() {
        while (position_ < text_.size() && std::iswspace(text_[position_])) ++position_;
        if (position_ == text_.size()) return std::nullopt;
        Token token;
        if (text_[position_] == L'\'') {
            token.quoted = true;
            ++position_;
            while (true) {
                if (position_ == text_.size()) {
                    failed_ = true;
                    return std::nullopt;
                }
                const wchar_t c = text_[position_++];
                if (c != L'\'') {
                    token.text += c;
                } else if (position_ < text_.size() && text_[position_] == L'\'') {
                    token.text += c;
                    ++position_;
                } else {
                    break;
                }
            }
            return token;
        }
        const auto start = position_;
        while (position_ < text_.size() && !std::iswspace(text_[position_])) ++position_;
        token.text = text_.substr(start, position_ - start);
        return token;
    }

    bool Failed() const { return failed_; }

private:
    std::wstring_view text_;
    std::size_t position_ = 0;
    bool failed_ = false;
};

bool IsWord(const std::optional<Token>& token, std::wstring_view word) {
    return token && !token->quoted && AsciiEqualsIgnoreCase(token->text, word);
}

std::optional<RegistryRoot> RootNamed(std::wstring_view name) {
    if (AsciiEqualsIgnoreCase(name, L"HKCR") || AsciiEqualsIgnoreCase(name, L"HKEY_CLASSES_ROOT"))
        return RegistryRoot::ClassesRoot;
    if (AsciiEqualsIgnoreCase(name, L"HKCU") || AsciiEqualsIgnoreCase(name, L"HKEY_CURRENT_USER"))
        return RegistryRoot::CurrentUser;
    if (AsciiEqualsIgnoreCase(name, L"HKLM") || AsciiEqualsIgnoreCase(name, L"HKEY_LOCAL_MACHINE"))
        return RegistryRoot::LocalMachine;
    return std::nullopt;
}

class Parser {
public:
    Parser(std::wstring_view text, const ScriptReplacements& replacements)
        : tokens_(text), replacements_(replacements) {
        Advance();
    }

    std::optional<RegistryScript> Script() {
        RegistryScript script;
        while (current_) {
            if (current_->quoted) return std::nullopt;
            const auto root = RootNamed(current_->text);
            if (!root) return std::nullopt;
            Advance();
            if (!IsWord(current_, L"{")) return std::nullopt;
            Advance();
            ScriptRoot scriptRoot{*root, {}};
            if (!Body(scriptRoot.keys, nullptr)) return std::nullopt;
            script.push_back(std::move(scriptRoot));
        }
        if (tokens_.Failed() || substitutionFailed_) return std::nullopt;
        return script;
    }

private:
    // Placeholders are replaced token by token, so that a replacement holding a quote (a module
    // path such as C:\Bob's\Fernwick.dll) cannot change how the script is read.
    void Advance() {
        current_ = tokens_.Next();
        if (!current_) return;
        auto substituted = Substitute(current_->text, replacements_);
        if (!substituted) {
            substitutionFailed_ = true;
            current_.reset();
            return;
        }
        current_->text = std::move(*substituted);
    }

    // Reads keys (and, inside a key, named values) up to the closing brace, which it consumes.
    bool Body(std::vector<ScriptKey>& keys, ScriptKey* owner) {
        while (true) {
            if (!current_) return false;
            if (IsWord(current_, L"}")) {
                Advance();
                return true;
            }
            if (IsWord(current_, L"val")) {
                if (!owner) return false;
                Advance();
                if (!current_ || IsWord(current_, L"{") || IsWord(current_, L"}")) return false;
                ScriptValue value{current_->text, {}};
                Advance();
                auto data = Assignment();
                if (!data) return false;
                value.data = std::move(*data);
                owner->values.push_back(std::move(value));
                continue;
            }
            ScriptKey key;
            if (!Key(key)) return false;
            keys.push_back(std::move(key));
        }
    }

    bool Key(ScriptKey& key) {
        if (IsWord(current_, L"NoRemove")) {
            key.flag = KeyFlag::NoRemove;
            Advance();
        } else if (IsWord(current_, L"ForceRemove")) {
            key.flag = KeyFlag::ForceRemove;
            Advance();
        }
        if (!current_ || IsWord(current_, L"{") || IsWord(current_, L"}") ||
            IsWord(current_, L"=") || current_->text.empty())
            return false;
        key.name = current_->text;
        Advance();
        if (IsWord(current_, L"=")) {
            key.defaultValue = Assignment();
            if (!key.defaultValue) return false;
        }
        if (IsWord(current_, L"{")) {
            Advance();
            return Body(key.subkeys, &key);
        }
        return true;
    }

    // "= s 'text'": only string values are part of the language we accept.
    std::optional<std::wstring> Assignment() {
        if (!IsWord(current_, L"=")) return std::nullopt;
        Advance();
        if (!IsWord(current_, L"s")) return std::nullopt;
        Advance();
        if (!current_ || !current_->quoted) return std::nullopt;
        std::wstring data = std::move(current_->text);
        Advance();
        return data;
    }

    Tokenizer tokens_;
    const ScriptReplacements& replacements_;
    std::optional<Token> current_;
    bool substitutionFailed_ = false;
};

}  // namespace

std::optional<RegistryScript> ParseRegistryScript(std::wstring_view text,
                                                  const ScriptReplacements& replacements) {
    return Parser(text, replacements).Script();
}

}  // namespace fernwick
