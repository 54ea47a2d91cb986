// The question every long wait of the web-service layer keeps asking: should it stop now?
#pragma once

#include <chrono>
#include <functional>

struct ILSShutdownInformer;

// Answers true when the wait is to end with E_ABORT. An empty check never stops a wait.
using LSCancelCheck = std::function<bool()>;

// How often a wait asks: a stop ends every wait within about this time.
constexpr std::chrono::milliseconds kCancelPollInterval{100};

// The check over the host's informer; a null informer gives an empty check (nobody can stop).
// A failing informer call counts as "go on": only the host's explicit answer stops a request.
LSCancelCheck MakeCancelCheck(ILSShutdownInformer* informer);

// Whether the informer is driven by the host's timer, which cannot afford to be waited on.
bool IsInformerOnTimer(ILSShutdownInformer* informer);

// The informer's request-start notification; its result means nothing to the request.
void NotifyRequestStart(ILSShutdownInformer* informer);
