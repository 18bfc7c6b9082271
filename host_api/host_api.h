// The modelling host as the plug-in sees it: its handle and point types, and
// the table of host functions that MQInit fills by name from the host's own
// executable. Every call into the host goes through g_host.
//
// This header is portable: on 32-bit Windows the host functions are stdcall,
// elsewhere (the native unit tests) they are plain functions.
#pragma once

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define HOSTAPI __stdcall
#else
#define HOSTAPI
#endif

// Opaque handles; only ever handed back to the host.
typedef struct HostDocumentTag *HostDocument;
typedef struct HostObjectTag *HostObject;  // null: no such object
typedef void *HostWindow;                  // the host main window's HWND

typedef int32_t ObjectIndex;  // negative: no object
typedef int32_t VertexIndex;  // 0 .. vertex count - 1

struct Point3f {
    float x, y, z;
};
static_assert(sizeof(Point3f) == 12, "the host writes 12-byte points");

// Any host function's address, for the slots the plug-in never calls.
typedef void(HOSTAPI *HostProc)(void);

// The eight host functions the plug-in calls, typed after the host's exports.
typedef HostWindow(HOSTAPI *PFN_MQ_GetWindowHandle)(void);
typedef ObjectIndex(HOSTAPI *PFN_MQDoc_GetCurrentObjectIndex)(HostDocument);
typedef HostObject(HOSTAPI *PFN_MQDoc_GetObject)(HostDocument, ObjectIndex);
typedef int32_t(HOSTAPI *PFN_MQObj_GetVertexCount)(HostObject);
typedef int32_t(HOSTAPI *PFN_MQObj_GetVertexArray)(HostObject, Point3f *);
typedef int32_t(HOSTAPI *PFN_MQDoc_IsSelectVertex)(HostDocument, ObjectIndex, VertexIndex);
typedef int32_t(HOSTAPI *PFN_MQDoc_AddSelectVertex)(HostDocument, ObjectIndex, VertexIndex);
typedef int32_t(HOSTAPI *PFN_MQDoc_DeleteSelectVertex)(HostDocument, ObjectIndex, VertexIndex);

// Every host function the plug-in binds, in lookup order. CALLED names one of
// the eight typed slots above, OTHER one of the 114 that are bound but never
// called. Binding is all or nothing over this whole list.
// clang-format off
#define CUBRIK_HOST_FUNCTIONS(CALLED, OTHER)                                                   \
    /* Application (9) */                                                                      \
    CALLED(MQ_GetWindowHandle) OTHER(MQ_CreateObject) OTHER(MQ_CreateMaterial)                 \
    OTHER(MQ_ShowFileDialog) OTHER(MQ_ImportAxis) OTHER(MQ_ExportAxis) OTHER(MQ_LoadImage)     \
    OTHER(MQ_GetSystemPath) OTHER(MQ_RefreshView)                                              \
    /* Document (29) */                                                                        \
    OTHER(MQDoc_GetObjectCount) CALLED(MQDoc_GetObject) CALLED(MQDoc_GetCurrentObjectIndex)    \
    OTHER(MQDoc_SetCurrentObjectIndex) OTHER(MQDoc_AddObject) OTHER(MQDoc_DeleteObject)        \
    OTHER(MQDoc_GetObjectIndex) OTHER(MQDoc_GetMaterialCount) OTHER(MQDoc_GetMaterial)         \
    OTHER(MQDoc_GetCurrentMaterialIndex) OTHER(MQDoc_SetCurrentMaterialIndex)                  \
    OTHER(MQDoc_AddMaterial) OTHER(MQDoc_DeleteMaterial) OTHER(MQDoc_Compact)                  \
    OTHER(MQDoc_ClearSelect) CALLED(MQDoc_AddSelectVertex) CALLED(MQDoc_DeleteSelectVertex)    \
    CALLED(MQDoc_IsSelectVertex) OTHER(MQDoc_AddSelectLine) OTHER(MQDoc_DeleteSelectLine)      \
    OTHER(MQDoc_IsSelectLine) OTHER(MQDoc_AddSelectFace) OTHER(MQDoc_DeleteSelectFace)         \
    OTHER(MQDoc_IsSelectFace) OTHER(MQDoc_AddSelectUVVertex) OTHER(MQDoc_DeleteSelectUVVertex) \
    OTHER(MQDoc_IsSelectUVVertex) OTHER(MQDoc_FindMappingFile) OTHER(MQDoc_GetScene)           \
    /* Scene (3) */                                                                            \
    OTHER(MQScene_InitSize) OTHER(MQScene_GetProjMatrix) OTHER(MQScene_GetViewMatrix)          \
    /* Object (54) */                                                                          \
    OTHER(MQObj_Delete) OTHER(MQObj_Clone) OTHER(MQObj_Merge) OTHER(MQObj_Freeze)              \
    OTHER(MQObj_GetName) CALLED(MQObj_GetVertexCount) OTHER(MQObj_GetVertex)                   \
    OTHER(MQObj_SetVertex) CALLED(MQObj_GetVertexArray) OTHER(MQObj_GetFaceCount)              \
    OTHER(MQObj_GetFacePointCount) OTHER(MQObj_GetFacePointArray)                              \
    OTHER(MQObj_GetFaceCoordinateArray) OTHER(MQObj_GetFaceMaterial) OTHER(MQObj_SetName)      \
    OTHER(MQObj_AddVertex) OTHER(MQObj_DeleteVertex) OTHER(MQObj_GetVertexRefCount)            \
    OTHER(MQObj_GetVertexColor) OTHER(MQObj_SetVertexColor) OTHER(MQObj_GetVertexWeight)       \
    OTHER(MQObj_SetVertexWeight) OTHER(MQObj_CopyVertexAttribute) OTHER(MQObj_AddFace)         \
    OTHER(MQObj_DeleteFace) OTHER(MQObj_InvertFace) OTHER(MQObj_SetFaceMaterial)               \
    OTHER(MQObj_SetFaceCoordinateArray) OTHER(MQObj_GetFaceVertexColor)                        \
    OTHER(MQObj_SetFaceVertexColor) OTHER(MQObj_OptimizeVertex) OTHER(MQObj_Compact)           \
    OTHER(MQObj_GetVisible) OTHER(MQObj_SetVisible) OTHER(MQObj_GetPatchType)                  \
    OTHER(MQObj_SetPatchType) OTHER(MQObj_GetPatchSegment) OTHER(MQObj_SetPatchSegment)        \
    OTHER(MQObj_GetShading) OTHER(MQObj_SetShading) OTHER(MQObj_GetSmoothAngle)                \
    OTHER(MQObj_SetSmoothAngle) OTHER(MQObj_GetMirrorType) OTHER(MQObj_SetMirrorType)          \
    OTHER(MQObj_GetMirrorAxis) OTHER(MQObj_SetMirrorAxis) OTHER(MQObj_GetMirrorDistance)       \
    OTHER(MQObj_SetMirrorDistance) OTHER(MQObj_GetLatheType) OTHER(MQObj_SetLatheType)         \
    OTHER(MQObj_GetLatheAxis) OTHER(MQObj_SetLatheAxis) OTHER(MQObj_GetLatheSegment)           \
    OTHER(MQObj_SetLatheSegment)                                                               \
    /* Material (27) */                                                                        \
    OTHER(MQMat_Delete) OTHER(MQMat_GetIntValue) OTHER(MQMat_GetFloatArray) OTHER(MQMat_GetName) \
    OTHER(MQMat_GetColor) OTHER(MQMat_GetAlpha) OTHER(MQMat_GetDiffuse) OTHER(MQMat_GetAmbient) \
    OTHER(MQMat_GetEmission) OTHER(MQMat_GetSpecular) OTHER(MQMat_GetPower)                    \
    OTHER(MQMat_GetTextureName) OTHER(MQMat_GetAlphaName) OTHER(MQMat_GetBumpName)             \
    OTHER(MQMat_SetIntValue) OTHER(MQMat_SetFloatArray) OTHER(MQMat_SetName)                   \
    OTHER(MQMat_SetColor) OTHER(MQMat_SetAlpha) OTHER(MQMat_SetDiffuse) OTHER(MQMat_SetAmbient) \
    OTHER(MQMat_SetEmission) OTHER(MQMat_SetSpecular) OTHER(MQMat_SetPower)                    \
    OTHER(MQMat_SetTextureName) OTHER(MQMat_SetAlphaName) OTHER(MQMat_SetBumpName)
// clang-format on

#define CUBRIK_TYPED_SLOT(name) PFN_##name name;
#define CUBRIK_PLAIN_SLOT(name) HostProc name;

// One slot per host function, null until bound.
struct HostFunctionTable {
    CUBRIK_HOST_FUNCTIONS(CUBRIK_TYPED_SLOT, CUBRIK_PLAIN_SLOT)
};

#undef CUBRIK_TYPED_SLOT
#undef CUBRIK_PLAIN_SLOT

enum { HOST_FUNCTION_COUNT = 122 };

// A host function's exported name and where its address goes in the table.
struct HostFunctionSlot {
    const char *name;
    size_t offset;
};

extern const HostFunctionSlot g_hostFunctionSlots[HOST_FUNCTION_COUNT];

// The process-wide table; written only by the binding.
extern HostFunctionTable g_host;

// Looks one name up in the host module; null when the module lacks it.
typedef HostProc (*HostLookup)(void *module, const char *name);

// Looks every name up in module, in lookup order, and returns 1 with table
// filled when all 122 were found. Stops at the first missing name and returns
// 0 with table exactly as it was, so that nothing ever calls through a table
// that is half one module's and half another's.
int BindHostFunctions(HostFunctionTable &table, HostLookup lookup, void *module);
