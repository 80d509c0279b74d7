#include "platform/picturepreload.h"

#include "platform/picture.h"

#include <optional>

PicturePreload::PicturePreload(const QString &path)
    : m_path(path)
{
    if (path.isEmpty())
        return;
    std::promise<void> ready;
    std::future<void> readyFuture = ready.get_future();
    // Whatever goes wrong here is left to the normal load, which reports it.
    m_picture = std::async(std::launch::async, [path, ready = std::move(ready)]() mutable {
        std::optional<PictureLoader> loader;
        try {
            loader.emplace(path, firstPart);
        } catch (...) {
        }
        // Finding the decoder reads the library paths that the application object resets as
        // it is built; the decoding itself touches no shared state.
        ready.set_value();
        if (!loader || loader->needsApplication())
            return LoadingPicture();
        try {
            return loader->load();
        } catch (...) {
            return LoadingPicture();
        }
    });
    readyFuture.wait();
}

PicturePreload::~PicturePreload() = default;

LoadingPicture PicturePreload::take(const QString &path)
{
    if (m_picture.valid() && path == m_path) {
        LoadingPicture picture = m_picture.get();
        if (!picture.isNull())
            return picture;
    }
    return loadPicture(path);
}
