#include "FileObj.h"

#include "platform/FileAttributes.h"

bool isFileSymbolicLink(const QString& path)
{
    return platform::itemInfo(path).isSymLink;
}

void FileObj::setIsSymbolicLink()
{
    isSymbolicLink_ = isFileSymbolicLink(url_);
}
