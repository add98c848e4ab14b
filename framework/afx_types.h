// The few Windows scalar types the framework's interfaces use, on both builds.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdint>
typedef int BOOL;
typedef std::uint32_t DWORD;
#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif
#endif
