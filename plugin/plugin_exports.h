// The seven functions the host binds from the plug-in by their plain names.
// All are cdecl. The Wine tests use the pointer types to call the real DLL.
#pragma once

#include <stdint.h>

#include "host_api/host_api.h"

extern "C" {
uint32_t __cdecl MQCheckVersion(uint32_t hostVersion);
void __cdecl MQGetPlugInID(uint32_t *product, uint32_t *id);
const char *__cdecl MQGetPlugInName(void);
int32_t __cdecl MQGetPlugInType(void);
const char *__cdecl MQEnumString(int32_t index);
int32_t __cdecl MQInit(const char *hostExecutable);
int32_t __cdecl MQModifyObject(int32_t index, HostDocument doc);
}

typedef uint32_t(__cdecl *PFN_MQCheckVersion)(uint32_t);
typedef void(__cdecl *PFN_MQGetPlugInID)(uint32_t *, uint32_t *);
typedef const char *(__cdecl *PFN_MQGetPlugInName)(void);
typedef int32_t(__cdecl *PFN_MQGetPlugInType)(void);
typedef const char *(__cdecl *PFN_MQEnumString)(int32_t);
typedef int32_t(__cdecl *PFN_MQInit)(const char *);
typedef int32_t(__cdecl *PFN_MQModifyObject)(int32_t, HostDocument);
