// Creates a component through its interface and lets a test runner put a test double in its
// place: the setting "Mock." + component name picks the double by name; empty picks the real one.
#pragma once

#include "HResultException.h"
#include "LSDiag.h"
#include "LSSetting.h"
#include "StdString.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

template <typename Interface>
class LSComponentFactory {
public:
    using Creator = std::function<std::unique_ptr<Interface>()>;
    using NamedCreator = std::pair<std::wstring, Creator>;

    LSComponentFactory(std::wstring componentName, Creator real, std::vector<NamedCreator> doubles)
        : m_settingName(L"Mock." + componentName), m_real(std::move(real)), m_doubles(std::move(doubles))
    {
    }

    // The setting is read at every creation, so a test can switch doubles between requests.
    // An unknown double name is a configuration error: a test must not silently reach the network.
    std::unique_ptr<Interface> Create() const
    {
        CStdStr<wchar_t> choice(LSSetting::GetInstance().GetUserString(m_settingName.c_str(), L""));
        choice.Trim();
        if (choice.empty())
            return m_real();
        for (const auto& [name, creator] : m_doubles) {
            if (choice.Equals(name, false))
                return creator();
        }
        throw hresult_exception(E_INVALIDARG, LSDiag::LogText(L"LSComponentFactory: \"" + choice + L"\" in " +
                                                              m_settingName + L" names no test double"));
    }

private:
    std::wstring m_settingName;
    Creator m_real;
    std::vector<NamedCreator> m_doubles;
};
