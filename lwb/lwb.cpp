#include "lwb/lwb.h"

// Decoding itself follows; for now a value comes back as it went in.
extern "C" void DecodeField(char* value) { (void)value; }
