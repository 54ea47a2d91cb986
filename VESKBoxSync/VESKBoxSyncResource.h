// Resource ids of the DLL, shared by the resource script and the module.
#pragma once

#define IDS_PROJNAME 100
#define IDR_VESKBOXSYNC 101
#define IDR_VESKBOXSYNCFILTER 106
