// The host's DLL must be of the filter's release; compared once per load, so each host gets a copy of the DLL.
#include "ComPtr.h"
#include "ScratchFolder.h"
#include "ServerDll.h"
#include "VESKBoxSync.h"

namespace {

using TalvernCommon::com_ptr;
using TestSupport::BinFolder;

TEST(HostVersionGate, ClassObjectRequestsFollowTheHostsRelease)
{
    const std::pair<std::wstring, bool> hosts[] = {{L"major", false}, {L"build", false}, {L"revision", true}};
    for (const auto& [part, served] : hosts) {
        SCOPED_TRACE(part);
        ScratchFolder folder(L"com_module-host-" + part);
        const std::wstring dllPath = folder.Copy(BinFolder() + L"\\VESKBoxSync32.dll", L"VESKBoxSync32.dll");
        const std::wstring hostPath =
            folder.Copy(BinFolder() + L"\\hostversions\\" + part + L"\\VESK32.dll", L"VESK32.dll");
        ASSERT_EQ(::GetModuleHandleW(L"VESK32.dll"), nullptr) << "a loaded host would be read instead";
        ServerDll server;
        ASSERT_TRUE(server.Load(dllPath));

        if (served) {
            com_ptr<IClassFactory> factory;
            ASSERT_EQ(server.GetClassObject(CLSID_VESKBoxSyncFilter, IID_IClassFactory, factory.put_void()), S_OK);
            EXPECT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, com_ptr<IUnknown>().put_void()), S_OK);
            continue;
        }
        void* answer = reinterpret_cast<void*>(1);
        EXPECT_EQ(server.GetClassObject(CLSID_VESKBoxSyncFilter, IID_IClassFactory, &answer), E_INVALIDARG);
        EXPECT_EQ(answer, nullptr);
        // A host of the same release put in place later changes nothing while the DLL stays loaded.
        ASSERT_TRUE(::CopyFileW((BinFolder() + L"\\VESK32.dll").c_str(), hostPath.c_str(), FALSE));
        EXPECT_EQ(server.GetClassObject(CLSID_VESKBoxSyncFilter, IID_IClassFactory, &answer), E_INVALIDARG);
    }
}

} // namespace
