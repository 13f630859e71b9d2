// Registers default-skin pictures from the program's embedded assets, for tests of controls
// drawn from the skin while no window registers it for them.
#pragma once

#include "media/IMResourceManager.h"
#include "platform/resources/AssetResources.h"

#include <gtest/gtest.h>

#include <initializer_list>

// Each picture keeps one reference until the media object goes, as the skin's do.
inline void RegisterSkinPictures(std::initializer_list<const wchar_t*> names) {
    for (const wchar_t* name : names) {
        platform::AssetBytes bytes = platform::FindEmbeddedAsset(std::wstring_view(name));
        ASSERT_TRUE(bytes) << "no embedded picture for a skin name";
        ASSERT_TRUE(Renderer->IsValidTexture(
            Renderer->LoadTextureFromMemory(name, bytes.data, bytes.size)));
    }
}
