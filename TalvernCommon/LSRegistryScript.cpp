#include "LSRegistryScript.h"

#include "HResultException.h"

#include <cwctype>

namespace {

const HRESULT kBadScript = HRESULT_FROM_WIN32(ERROR_INVALID_DATA);

[[noreturn]] void Fail(const std::string& why) { throw hresult_exception(kBadScript, "registrar script: " + why); }

bool EqualsIgnoringCase(std::wstring_view a, std::wstring_view b)
{
    return a.size() == b.size() &&
           ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
               CSTR_EQUAL;
}

struct Token {
    std::wstring text;
    bool quoted;

    // Keywords and punctuation are never quoted: 'NoRemove' is a key of that name.
    bool Is(std::wstring_view word) const { return !quoted && EqualsIgnoringCase(text, word); }
};

class Tokenizer {
public:
    Tokenizer(std::wstring_view text, const LSRegistryReplacements& replacements)
        : m_text(text), m_replacements(replacements)
    {
    }

    bool AtEnd()
    {
        SkipSpace();
        return m_at == m_text.size();
    }

    Token Next()
    {
        if (AtEnd())
            Fail("unexpected end");
        return m_text[m_at] == L'\'' ? Quoted() : Bare();
    }

    const Token& Peek()
    {
        if (!m_peeked)
            m_peeked = Next();
        return *m_peeked;
    }

    Token Take()
    {
        if (m_peeked) {
            Token token = std::move(*m_peeked);
            m_peeked.reset();
            return token;
        }
        return Next();
    }

    bool PeekIs(std::wstring_view word) { return !AtEndAfterPeek() && Peek().Is(word); }

private:
    bool AtEndAfterPeek() { return !m_peeked && AtEnd(); }

    void SkipSpace()
    {
        while (m_at < m_text.size() && std::iswspace(static_cast<wint_t>(m_text[m_at])))
            ++m_at;
    }

    Token Quoted()
    {
        std::wstring text;
        for (++m_at; m_at < m_text.size(); ++m_at) {
            if (m_text[m_at] != L'\'') {
                text += m_text[m_at];
            } else if (m_at + 1 < m_text.size() && m_text[m_at + 1] == L'\'') {
                text += L'\'';
                ++m_at;
            } else {
                ++m_at;
                return {Expand(text), true};
            }
        }
        Fail("unterminated quoted text");
    }

    Token Bare()
    {
        const size_t start = m_at;
        while (m_at < m_text.size() && !std::iswspace(static_cast<wint_t>(m_text[m_at])))
            ++m_at;
        return {Expand(m_text.substr(start, m_at - start)), false};
    }

    std::wstring Expand(std::wstring_view text) const
    {
        std::wstring expanded;
        for (size_t at = 0; at < text.size(); ++at) {
            if (text[at] != L'%') {
                expanded += text[at];
                continue;
            }
            const size_t end = text.find(L'%', at + 1);
            if (end == std::wstring_view::npos)
                Fail("unterminated replacement");
            if (end == at + 1) {
                expanded += L'%';
            } else {
                const auto found = m_replacements.find(std::wstring(text.substr(at + 1, end - at - 1)));
                if (found == m_replacements.end())
                    Fail("unknown replacement");
                expanded += found->second;
            }
            at = end;
        }
        return expanded;
    }

    std::wstring_view m_text;
    const LSRegistryReplacements& m_replacements;
    size_t m_at = 0;
    std::optional<Token> m_peeked;
};

HKEY RootKey(const Token& token)
{
    struct Root {
        const wchar_t* shortName;
        const wchar_t* longName;
        HKEY key;
    };
    static const Root roots[] = {
        {L"HKCR", L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
        {L"HKCU", L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
        {L"HKLM", L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    };
    for (const Root& root : roots) {
        if (token.Is(root.shortName) || token.Is(root.longName))
            return root.key;
    }
    Fail("unknown root key");
}

bool IsPunctuation(const Token& token) { return token.Is(L"{") || token.Is(L"}") || token.Is(L"="); }

void Expect(Tokenizer& tokens, const wchar_t* word, const char* what)
{
    if (!tokens.Take().Is(word))
        Fail(std::string("expected ") + what);
}

std::wstring StringValue(Tokenizer& tokens)
{
    if (!tokens.Take().Is(L"s"))
        Fail("only string values (s) are supported");
    Token value = tokens.Take();
    if (!value.quoted)
        Fail("a value must be quoted");
    return std::move(value.text);
}

std::wstring Name(Tokenizer& tokens)
{
    Token name = tokens.Take();
    if (IsPunctuation(name) || name.text.empty())
        Fail("expected a name");
    return std::move(name.text);
}

void ParseBlock(Tokenizer& tokens, LSRegistryScriptKey& owner);

LSRegistryScriptKey ParseKey(Tokenizer& tokens)
{
    LSRegistryScriptKey key;
    for (;;) {
        if (tokens.PeekIs(L"ForceRemove"))
            key.forceRemove = true;
        else if (tokens.PeekIs(L"NoRemove"))
            key.noRemove = true;
        else
            break;
        tokens.Take();
    }
    key.name = Name(tokens);
    if (tokens.PeekIs(L"=")) {
        tokens.Take();
        key.defaultValue = StringValue(tokens);
    }
    if (tokens.PeekIs(L"{")) {
        tokens.Take();
        ParseBlock(tokens, key);
    }
    return key;
}

// Everything up to the closing brace: named values of the owner and its subkeys.
void ParseBlock(Tokenizer& tokens, LSRegistryScriptKey& owner)
{
    while (!tokens.PeekIs(L"}")) {
        if (tokens.PeekIs(L"val")) {
            tokens.Take();
            std::wstring name = Name(tokens);
            Expect(tokens, L"=", "an equals sign");
            owner.values.emplace_back(std::move(name), StringValue(tokens));
        } else {
            owner.subkeys.push_back(ParseKey(tokens));
        }
    }
    tokens.Take();
}

} // namespace

std::vector<LSRegistryScriptRoot> ParseRegistryScript(std::wstring_view text,
                                                      const LSRegistryReplacements& replacements)
{
    Tokenizer tokens(text, replacements);
    std::vector<LSRegistryScriptRoot> roots;
    while (!tokens.AtEnd()) {
        const HKEY root = RootKey(tokens.Take());
        Expect(tokens, L"{", "an opening brace");
        LSRegistryScriptKey content;
        ParseBlock(tokens, content);
        if (!content.values.empty())
            Fail("a value needs a key");
        roots.push_back({root, std::move(content.subkeys)});
    }
    return roots;
}
