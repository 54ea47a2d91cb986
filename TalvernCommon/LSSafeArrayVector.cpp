#include "LSSafeArrayVector.h"

#include "HResultException.h"
#include "NarrowCasts.h"
#include "StringUtils.h"

using TalvernCommon::narrowcasts::narrow;

void LSSafeArrayVector::Create(size_t count)
{
    m_array.reset(::SafeArrayCreateVector(VT_BSTR, 0, narrow<ULONG>(count)));
    if (!m_array)
        throw hresult_exception(E_OUTOFMEMORY, "LSSafeArrayVector: cannot create the array");
}

void LSSafeArrayVector::SetAt(LONG index, std::wstring_view text)
{
    // The array stores its own copy of the element.
    const TalvernCommon::unique_bstr element(StdStrToBstr(text));
    const HRESULT hr = ::SafeArrayPutElement(m_array.get(), &index, element.get());
    if (FAILED(hr))
        throw hresult_exception(hr, "LSSafeArrayVector: cannot store an element");
}

ULONG LSSafeArrayVector::size() const noexcept
{
    return m_array ? m_array.get()->rgsabound[0].cElements : 0;
}

VARIANT LSSafeArrayVector::AsInVariant() const noexcept
{
    VARIANT view;
    ::VariantInit(&view);
    view.vt = VT_ARRAY | VT_BSTR;
    view.parray = m_array.get();
    return view;
}
