// BVLAOFContentTypes: the content type of a file named by its extension, and the list of types
// it conforms to, from our own table (this host has no type registry). The table covers the
// document types the review groups name, the image, movie, audio and archive families with
// their common extensions, bundles and photo libraries (which the scan excludes), and plain
// data for everything else. Immutable tables; safe from any thread.
#pragma once

#include <string>
#include <vector>

namespace BVLAOFContentTypes {

// The type of an item with the extension `extension` (compared ignoring case, without the
// dot); "public.data" for a file whose extension is unknown or missing. `isDirectory` asks for
// a folder's type: "public.folder" unless its extension names a bundle or photo library.
std::string contentTypeForExtension(const std::string& extension, bool isDirectory = false);
// The type followed by every type it conforms to, nearest first, each once
// ("public.jpeg" -> public.jpeg, public.image, public.data, public.item, public.content).
std::vector<std::string> contentTypeTree(const std::string& contentType);
// The extension of the last path component, without the dot; empty when there is none (a
// leading dot alone does not make an extension: ".profile" has none).
std::string pathExtension(const std::string& path);

}  // namespace BVLAOFContentTypes
