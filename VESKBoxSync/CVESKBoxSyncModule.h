// The Box filter DLL's module object: its one class, its registrar scripts and type library.
#pragma once

#include "LSComModule.h"

class CVESKBoxSyncModule final : public LSComModule {
public:
    CVESKBoxSyncModule();

protected:
    // Adds "APPID", the server's application id (the type library's id).
    void AddCommonRGSReplacements(LSRegistrar& registrar) const override;
};
