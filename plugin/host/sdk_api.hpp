// Host SDK: linkage of the host's classes and functions.
//
// The host SDK library (pluginsdk) defines every class declared in plugin/host/; the plugin links
// against it and sees its classes, vtables and type information as imports. The plugin itself is
// built with hidden visibility, so the host's declarations must say that they come from outside.
#pragma once

#if defined(_WIN32)
#if defined(HOST_SDK_BUILD)
#define SDK_API __declspec(dllexport)
#else
#define SDK_API __declspec(dllimport)
#endif
#else
#define SDK_API __attribute__((visibility("default")))
#endif
