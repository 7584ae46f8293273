#include "app/Log.h"

#include <QFileInfo>

#include <boost/date_time/posix_time/posix_time_types.hpp>
#include <boost/log/attributes/current_thread_id.hpp>
#include <boost/log/core.hpp>
#include <boost/log/expressions.hpp>
#include <boost/log/sinks/sync_frontend.hpp>
#include <boost/log/sinks/text_file_backend.hpp>
#include <boost/log/sources/record_ostream.hpp>
#include <boost/log/sources/severity_logger.hpp>
#include <boost/log/support/date_time.hpp>
#include <boost/log/utility/setup/common_attributes.hpp>

#include <ostream>
#include <shared_mutex>

namespace applog {

std::ostream& operator<<(std::ostream& out, Severity severity) {
    static const char* const names[] = {"trace", "debug", "info", "warning", "error", "fatal"};
    const auto index = static_cast<size_t>(severity);
    if (index < sizeof(names) / sizeof(names[0]))
        out << names[index];
    else
        out << static_cast<int>(severity);
    return out;
}

namespace {

namespace logging = boost::log;
namespace expr = boost::log::expressions;
namespace sinks = boost::log::sinks;
namespace keywords = boost::log::keywords;

using FileSink = sinks::synchronous_sink<sinks::text_file_backend>;

constexpr unsigned long kRotationSize = 0xA00000;

// Writers hold the lock shared and the sink's owner holds it exclusively, so no record can
// reach the core while it has no sink: Boost.Log would print such a record on the console.
std::shared_mutex g_sinkLock;
boost::shared_ptr<FileSink> g_sink;

logging::sources::severity_logger_mt<Severity>& Logger() {
    static logging::sources::severity_logger_mt<Severity> logger;
    return logger;
}

// Rotated files keep the active file's name with the time of rotation and a counter.
std::string RotatedNamePattern(const QString& logFilePath) {
    const QFileInfo info(logFilePath);
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    return (info.path() + QLatin1Char('/') + info.completeBaseName() +
            QStringLiteral("-%Y%m%d-%H%M%S-%N") + suffix)
        .toStdString();
}

boost::shared_ptr<FileSink> MakeSink(const QString& logFilePath) {
    auto backend = boost::make_shared<sinks::text_file_backend>(
        keywords::file_name = logFilePath.toStdString(),
        keywords::target_file_name = RotatedNamePattern(logFilePath),
        keywords::open_mode = std::ios_base::out | std::ios_base::app,
        keywords::rotation_size = kRotationSize,
        keywords::time_based_rotation = sinks::file::rotation_at_time_point(0, 0, 0),
        keywords::auto_flush = true,
        // Stopping is not a reason to start a new file; the next start appends.
        keywords::enable_final_rotation = false);
    auto sink = boost::make_shared<FileSink>(backend);
    sink->set_formatter(
        expr::stream << "["
                     << expr::format_date_time<boost::posix_time::ptime>("TimeStamp",
                                                                         "%Y-%m-%d %H:%M:%S.%f")
                     << " "
                     << expr::attr<logging::attributes::current_thread_id::value_type>("ThreadID")
                     << " " << expr::attr<Severity>("Severity") << "] " << expr::smessage);
    return sink;
}

} // namespace

void InitLogging(const QString& logFilePath) {
    std::unique_lock<std::shared_mutex> guard(g_sinkLock);
    if (g_sink) {
        logging::core::get()->remove_sink(g_sink);
        g_sink.reset();
    }
    logging::add_common_attributes();
    try {
        g_sink = MakeSink(logFilePath);
    } catch (const std::exception&) {
        return; // no log file; the program runs without one
    }
    logging::core::get()->add_sink(g_sink);
}

void StopLogging() {
    std::unique_lock<std::shared_mutex> guard(g_sinkLock);
    if (!g_sink)
        return;
    logging::core::get()->remove_sink(g_sink);
    g_sink->flush();
    g_sink.reset();
}

void Write(Severity severity, const QString& message) {
    std::shared_lock<std::shared_mutex> guard(g_sinkLock);
    if (!g_sink)
        return;
    try {
        BOOST_LOG_SEV(Logger(), severity) << message.toStdString();
    } catch (const std::exception&) {
        // A full disk or a vanished folder must not take the caller down with it.
    }
}

} // namespace applog
