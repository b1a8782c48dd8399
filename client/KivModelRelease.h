#pragma once

// Releases the model singletons when the event loop has ended. The heartbeat
// goes first and its thread is joined, so that it never sends through a net
// model that is being released.
void KivReleaseModels();
