// The media object's font registry: the fonts made for text textures, in creation order.
#pragma once

// The text rasteriser fills this in (its font records and their caches); until then the media
// object keeps an empty registry in its place.
struct FontRegistry {};
