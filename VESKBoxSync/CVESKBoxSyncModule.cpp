#include "CVESKBoxSyncModule.h"

#include "CVESKBoxSyncFilter.h"
#include "LSComObject.h"
#include "LSRegistrar.h"
#include "VESKBoxSync.h"
#include "VESKBoxSyncResource.h"

CVESKBoxSyncModule::CVESKBoxSyncModule()
    : LSComModule(IDR_VESKBOXSYNC, {LSClassEntry{&CLSID_VESKBoxSyncFilter, IDR_VESKBOXSYNCFILTER,
                                                 &LSCreateComInstance<CVESKBoxSyncFilter>}})
{
}

void CVESKBoxSyncModule::AddCommonRGSReplacements(LSRegistrar& registrar) const
{
    LSComModule::AddCommonRGSReplacements(registrar);
    registrar.AddReplacement(L"APPID", L"{b6b3cfe6-61a0-48f9-8738-421f9be5c71f}");
}
