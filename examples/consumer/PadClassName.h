// The class name of a pad, read in a source of its own.
#pragma once

class MkSimplePad;

const char* PadClassName(MkSimplePad* pad);
