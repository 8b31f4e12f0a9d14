// The D3DX 9 functions the game uses, loaded from d3dx9_43.dll at run time so that a machine
// without the DirectX End-User Runtime gets a message instead of a loader error.
#pragma once

#include <d3dx9.h>

namespace kokurin {

struct D3dxLibrary {
    decltype(&D3DXCreateFontW) createFont;
    decltype(&D3DXGetImageInfoFromFileW) getImageInfoFromFile;
    decltype(&D3DXCreateTextureFromFileExW) createTextureFromFileEx;
    decltype(&D3DXVec3Normalize) vec3Normalize;
    decltype(&D3DXMatrixPerspectiveFovLH) matrixPerspectiveFovLH;
    decltype(&D3DXMatrixLookAtLH) matrixLookAtLH;
};

// Loads d3dx9_43.dll and all six functions; true when every one was found. The library stays
// loaded for the rest of the process, since fonts and textures made by it live until exit.
bool loadD3dx();
// The loaded functions; all null until loadD3dx has succeeded.
const D3dxLibrary& d3dx();

} // namespace kokurin
