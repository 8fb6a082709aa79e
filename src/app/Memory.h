#pragma once

// Asks the C library to keep memory the program frees for its next allocations
// instead of handing it back to the system at once. Every pen operation and tool
// release on a big model allocates and frees several megabytes (the undo copy, the
// checker's tables, the triangulation's sets); on fresh pages each first touch is a
// page fault, which on a virtual machine cost as much as a third of an operation.
// Call once at start-up, before the first allocation worth keeping. Does nothing
// where the C library offers no such setting.
void KeepFreedMemoryForReuse();
