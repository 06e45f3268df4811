#pragma once

// After a read of the MQTT library that returned success: whether it stopped
// because the socket had nothing more to give (the library leaves errno at
// the socket's would-block code then, and acts on that itself), rather than
// after a whole packet. Clear errno before the read.
bool ReadFoundSocketEmpty();
