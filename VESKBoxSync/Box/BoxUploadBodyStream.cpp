#include "BoxUploadBodyStream.h"

#include "ComPtr.h"
#include "LSDiag.h"

#include <objidl.h>

#include <algorithm>
#include <cstring>

namespace Box_20 {

namespace {

// Only what a sender needs: its size, a rewind and sequential reads.
class UploadBodyStream final : public IStream {
public:
    UploadBodyStream(std::shared_ptr<LocalUploadFile> file, uint64_t offset, uint64_t size, std::string prefix,
                     std::string suffix)
        : m_file(std::move(file)), m_offset(offset), m_fileBytes(size), m_prefix(std::move(prefix)),
          m_suffix(std::move(suffix))
    {
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (out == nullptr)
            return E_POINTER;
        if (iid != IID_IUnknown && iid != IID_ISequentialStream && iid != IID_IStream) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        *out = static_cast<IStream*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&m_references)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = ::InterlockedDecrement(&m_references);
        if (left == 0)
            delete this; // the last reference owns the object
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE Read(void* into, ULONG count, ULONG* read) override
    {
        if (into == nullptr)
            return STG_E_INVALIDPOINTER;
        try {
            const ULONG done = ReadAt(static_cast<char*>(into), count);
            if (read != nullptr)
                *read = done;
            return done == count ? S_OK : S_FALSE;
        } catch (...) {
            LSDiag::HandleInterfaceException("Box_20::UploadBodyStream::Read", __FILE__, __LINE__);
            return STG_E_READFAULT;
        }
    }

    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override
    {
        const int64_t base = origin == STREAM_SEEK_SET ? 0
                             : origin == STREAM_SEEK_CUR ? static_cast<int64_t>(m_position)
                             : origin == STREAM_SEEK_END ? static_cast<int64_t>(Size())
                                                         : -1;
        if (base < 0)
            return STG_E_INVALIDFUNCTION;
        if (base + move.QuadPart < 0)
            return STG_E_INVALIDFUNCTION;
        m_position = static_cast<uint64_t>(base + move.QuadPart);
        if (position != nullptr)
            position->QuadPart = m_position;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override
    {
        if (stat == nullptr)
            return STG_E_INVALIDPOINTER;
        *stat = STATSTG{};
        stat->type = STGTY_STREAM;
        stat->cbSize.QuadPart = Size();
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return STG_E_ACCESSDENIED; }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Revert() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override
    {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override
    {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

private:
    uint64_t Size() const { return m_prefix.size() + m_fileBytes + m_suffix.size(); }

    ULONG ReadAt(char* into, ULONG count)
    {
        ULONG done = 0;
        while (done < count && m_position < Size()) {
            const size_t wanted = count - done;
            size_t step = 0;
            if (m_position < m_prefix.size()) {
                step = std::min<uint64_t>(wanted, m_prefix.size() - m_position);
                std::memcpy(into + done, m_prefix.data() + m_position, step);
            } else if (m_position < m_prefix.size() + m_fileBytes) {
                const uint64_t inFile = m_position - m_prefix.size();
                step = static_cast<size_t>(std::min<uint64_t>(wanted, m_fileBytes - inFile));
                m_file->ReadAt(m_offset + inFile, reinterpret_cast<BYTE*>(into + done), step);
            } else {
                const uint64_t inSuffix = m_position - m_prefix.size() - m_fileBytes;
                step = std::min<uint64_t>(wanted, m_suffix.size() - inSuffix);
                std::memcpy(into + done, m_suffix.data() + inSuffix, step);
            }
            done += static_cast<ULONG>(step);
            m_position += step;
        }
        return done;
    }

    volatile LONG m_references = 1;
    std::shared_ptr<LocalUploadFile> m_file;
    uint64_t m_offset;
    uint64_t m_fileBytes;
    std::string m_prefix;
    std::string m_suffix;
    uint64_t m_position = 0;
};

} // namespace

_variant_t MakeUploadBodyStream(std::shared_ptr<LocalUploadFile> file, uint64_t offset, uint64_t size,
                                std::string prefix, std::string suffix)
{
    auto stream = std::make_unique<UploadBodyStream>(std::move(file), offset, size, std::move(prefix),
                                                     std::move(suffix));
    // The VARIANT adopts the one reference the stream starts with.
    return _variant_t(static_cast<IUnknown*>(stream.release()), false);
}

} // namespace Box_20
