#pragma once
// Unpacking the embedded payload archive into the target folder.
#include <string>

// 0 on success; -1 when the payload cannot be written out, opened or unpacked into the
// target. On success the current directory is the target folder.
int ExtractPayload(const std::wstring& targetFolder, int keepIconLibrary);

// The same for an archive file on disk (ExtractPayload writes the resource to one first).
int UnpackArchive(const std::wstring& archivePath, const std::wstring& targetFolder, int keepIconLibrary);
