#include "TrackingModule.h"

#include <QCoreApplication>
#include <QLibrary>
#include <QStringList>

namespace trackingmodule {

TrackingView* createView(EventSink sink, QString* error)
{
    static QLibrary library;
    static TrackingViewFactory factory = nullptr;
    if (!factory) {
        const QString dir = QCoreApplication::applicationDirPath();
        const QStringList candidates = {
            dir + QStringLiteral("/" ATS_TRACKING_MODULE_RELDIR "/" ATS_TRACKING_MODULE_NAME),
            dir + QStringLiteral("/" ATS_TRACKING_MODULE_NAME),
        };
        for (const QString& path : candidates) {
            library.setFileName(path);
            if (library.load()) break;
        }
        factory =
            reinterpret_cast<TrackingViewFactory>(library.resolve(kTrackingViewFactorySymbol));
        if (!factory) {
            if (error) *error = library.errorString();
            return nullptr;
        }
    }
    return factory(std::move(sink));
}

}  // namespace trackingmodule
