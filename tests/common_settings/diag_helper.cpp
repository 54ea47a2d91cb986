// Diagnostic lines from a source file of its own, whose verbosity no module entry names.
#include "LSDiag.h"

void WriteHelperDiagLines()
{
    VLOG(1) << "helper verbosity 1";
    VLOG(2) << "helper verbosity 2";
}
