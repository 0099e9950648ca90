// What the shared library exports: the public API and nothing else (it is built with hidden symbols).
#pragma once

#if defined(_WIN32)
#if defined(QUORVEL_BUILDING_LIBRARY)
#define QUORVEL_EXPORT __declspec(dllexport)
#else
#define QUORVEL_EXPORT __declspec(dllimport)
#endif
#else
#define QUORVEL_EXPORT __attribute__((visibility("default")))
#endif
