// Run-time binding of d3dx9_43.dll.
#include "win32/d3dx_library.h"

#include <windows.h>

namespace kokurin {

namespace {

D3dxLibrary functions = {};

template <typename Function> bool bind(HMODULE library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
    return function != nullptr;
}

} // namespace

bool loadD3dx() {
    if (functions.createFont != nullptr) {
        return true;
    }
    HMODULE library = LoadLibraryW(L"d3dx9_43.dll");
    if (library == nullptr) {
        return false;
    }
    D3dxLibrary loaded = {};
    const bool complete =
        bind(library, "D3DXCreateFontW", loaded.createFont) &&
        bind(library, "D3DXGetImageInfoFromFileW", loaded.getImageInfoFromFile) &&
        bind(library, "D3DXCreateTextureFromFileExW", loaded.createTextureFromFileEx) &&
        bind(library, "D3DXVec3Normalize", loaded.vec3Normalize) &&
        bind(library, "D3DXMatrixPerspectiveFovLH", loaded.matrixPerspectiveFovLH) &&
        bind(library, "D3DXMatrixLookAtLH", loaded.matrixLookAtLH);
    if (!complete) {
        FreeLibrary(library);
        return false;
    }
    functions = loaded;
    return true;
}

const D3dxLibrary& d3dx() {
    return functions;
}

} // namespace kokurin
