#include "capture/capture_session.h"

#include "capture/camera_format.h"
#include "capture/capture_pipeline.h"
#include "capture/gst_support.h"
#include "capture/latest_frame_relay.h"
#include "capture/output_stage.h"
#include "capture/video_source.h"
#include "platform/main_thread.h"

#include <QSize>

namespace tandrel {

namespace {

// A camera's frames keep the YUV they come in, which the recorder renders
// from directly and only the previews convert: converting every frame to
// BGRA here cost more than rendering it. Other formats (and a JPEG decoder's
// 4:2:2 planes) are converted to the nearest of these.
const QString toFrameFormat = QStringLiteral("videoconvert ! capsfilter caps=\"video/x-raw,format=(string){ "
                                             "YUY2, UYVY, NV12, NV21, I420, YV12, BGRA }\"");

// The moving picture of the test camera: two halves in different colours,
// each with a ball moving its own way, so that a crop or a mirror shows. A
// half whose source is late on a busy machine stays black for that frame.
// It sends YUY2, as webcams do, and mixes in it.
const char *testCameraDescription
        = "compositor name=mix background=black sink_1::xpos=960 "
          "! capsfilter caps=\"video/x-raw,format=YUY2,width=1920,height=1080,framerate=30/1\" "
          "videotestsrc is-live=true pattern=ball motion=wavy background-color=0xffc03020 "
          "! video/x-raw,format=YUY2,width=960,height=1080,framerate=30/1 ! mix.sink_0 "
          "videotestsrc is-live=true pattern=ball motion=sweep background-color=0xff2040c0 "
          "! video/x-raw,format=YUY2,width=960,height=1080,framerate=30/1 ! mix.sink_1";

struct CameraInput
{
    GstElement *source = nullptr; // floating
    QString conversion;
    QSize size; // the size asked for; invalid when the device did not tell
};

QString capsText(const CameraFormat &f)
{
    QString text = f.encoding == CameraFormat::Encoding::jpeg
            ? QStringLiteral("image/jpeg")
            : QStringLiteral("video/x-raw,format=(string)%1").arg(f.pixelFormat);
    text += QStringLiteral(",width=(int)%1,height=(int)%2").arg(f.width).arg(f.height);
    if (f.fpsNumerator > 0)
        text += QStringLiteral(",framerate=(fraction)%1/%2").arg(f.fpsNumerator).arg(f.fpsDenominator);
    return text;
}

std::optional<CameraInput> openCamera(const CaptureDevice &device)
{
    if (device.isTestCamera) {
        // TANDREL_TEST_CAMERA_FRAMES=n: the test camera stops after n frames,
        // as an unplugged camera stops delivering; 0: it sends no picture at
        // all, as a stuck camera does.
        QByteArray description(testCameraDescription);
        bool numbered = false;
        const int frames = qEnvironmentVariableIntValue("TANDREL_TEST_CAMERA_FRAMES", &numbered);
        if (numbered && frames > 0)
            description.replace("videotestsrc ",
                                "videotestsrc num-buffers=" + QByteArray::number(frames) + ' ');
        else if (numbered && frames == 0)
            description.replace("\" videotestsrc", "\" ! valve drop=true videotestsrc");
        GstElement *bin = gst_parse_bin_from_description(description.constData(), TRUE, nullptr);
        if (!bin)
            return std::nullopt;
        return CameraInput{bin, toFrameFormat, QSize(1920, 1080)};
    }
    GstElement *source = nullptr;
    std::optional<CameraFormat> format;
    if (device.device) {
        source = gst_device_create_element(device.device.get(), nullptr);
        GstCaps *caps = gst_device_get_caps(device.device.get());
        format = chooseCameraFormat(cameraFormats(caps));
        if (caps)
            gst_caps_unref(caps);
    } else if (device.uniqueID.startsWith(QLatin1String("/dev/"))) {
        source = gst_element_factory_make("v4l2src", nullptr);
        if (source)
            g_object_set(source, "device", device.uniqueID.toUtf8().constData(), nullptr);
    }
    if (!source)
        return std::nullopt;
    CameraInput input{source, toFrameFormat, QSize()};
    if (format) {
        QString chain = QStringLiteral("capsfilter caps=\"%1\" ! ").arg(capsText(*format));
        if (format->encoding == CameraFormat::Encoding::jpeg)
            chain += QStringLiteral("jpegdec ! ");
        if (format->fps() > 30.0)
            chain += QStringLiteral("videorate drop-only=true max-rate=30 ! ");
        input.conversion = chain + toFrameFormat;
        input.size = QSize(format->width, format->height);
    }
    return input;
}

GstElement *openMicrophone(const CaptureDevice &microphone)
{
    if (microphone.device)
        return gst_device_create_element(microphone.device.get(), nullptr);
    GstElement *source = gst_element_factory_make("pulsesrc", nullptr);
    if (source)
        g_object_set(source, "device", microphone.uniqueID.toUtf8().constData(), nullptr);
    return source;
}

// A device known only by its identifier (it is not in the last discovery).
CaptureDevice deviceByID(const QString &id, CaptureDevice::Type type)
{
    CaptureDevice d;
    d.uniqueID = id;
    d.localizedName = id;
    d.type = type;
    return d;
}

std::optional<CaptureDevice> findDevice(const QList<CaptureDevice> &devices, const QString &id)
{
    for (const CaptureDevice &d : devices) {
        if (d.uniqueID == id)
            return d;
    }
    return std::nullopt;
}

} // namespace

CaptureSession::CaptureSession(OutputStage &output, QObject *context, Handlers handlers)
    : m_output(output), m_context(context), m_handlers(std::move(handlers)),
      m_screenCapture(std::make_unique<ScreenCaptureSource>()),
      m_queue(std::make_unique<SerialQueue>("capture.session"))
{
    installScreenCallbacks();
}

CaptureSession::~CaptureSession()
{
    shutDown();
}

void CaptureSession::shutDown()
{
    if (!m_queue)
        return;
    m_shuttingDown = true;
    m_queue.reset();
    stopInputs();
    m_screenCapture->stop();
}

void CaptureSession::reconfigure(const Selection &selection, const QUuid &token, std::function<void()> done)
{
    m_queue->post([this, selection, token, done = std::move(done)] {
        if (!m_shuttingDown)
            runReconfigure(selection, token);
        if (done)
            runOnMain(m_context, done);
    });
}

// On the session queue. A newer request makes this one give up at its next
// check, so only the latest selection reaches the pipelines and the screen
// stream.
void CaptureSession::runReconfigure(const Selection &selection, const QUuid &token)
{
    m_screenCapture->stop();
    if (!isCurrentToken(token))
        return;
    configureSession(selection);
    if (!isCurrentToken(token))
        return;
    const std::optional<quint32> display
            = selection.videoID ? screenDisplayID(*selection.videoID) : std::nullopt;
    m_output.setScreenSelected(display.has_value());
    if (!display) {
        runOnMain(m_context, [this] { m_handlers.noScreen(); });
        return;
    }
    const BasicStatus<SourceFailure> started = m_screenCapture->start(*display, m_output.queue());
    if (!started)
        runOnMain(m_context, [this, failure = started.error()] { m_handlers.screenFailedToStart(failure); });
}

void CaptureSession::setDisplays(const QList<ScreenTarget> &displays)
{
    m_screenCapture->setDisplays(displays);
    followScreen();
}

// The screen stream follows a change of its display's size on the session
// queue, where it is started and stopped; the pipelines are left alone.
void CaptureSession::followScreen()
{
    if (!m_queue || m_shuttingDown)
        return;
    m_queue->post([this] {
        if (m_shuttingDown)
            return;
        const BasicStatus<SourceFailure> followed = m_screenCapture->follow(m_output.queue());
        if (!followed)
            runOnMain(m_context,
                      [this, failure = followed.error()] { m_handlers.screenFailedToStart(failure); });
    });
}

void CaptureSession::installScreenCallbacks()
{
    m_screenCapture->onFrame = [this](const VideoFrame &frame) { m_output.handleScreenFrame(frame); };
    m_screenCapture->onStarted = [this](double width, double height) {
        runOnMain(m_context, [this, width, height] { m_handlers.screenStarted(width, height); });
    };
    m_screenCapture->onError = [this](const SourceFailure &failure) {
        runOnMain(m_context, [this, failure] { m_handlers.screenInterrupted(failure); });
    };
    m_screenCapture->onResized = [this] { runOnMain(m_context, [this] { followScreen(); }); };
}

// On a streaming thread of the failed pipeline: the failure is handled on the
// main thread, which reconfigures the session, so the pipeline is not
// touched here. A failure of pipelines that a reconfiguration has replaced
// meanwhile is old news and dropped.
std::function<void(const SourceFailure &)> CaptureSession::deviceFailureHandler(Device device)
{
    const quint64 inputs = m_inputsGeneration.load();
    return [this, device, inputs](const SourceFailure &failure) {
        runOnMain(m_context, [this, device, inputs, failure] {
            if (m_handlers.deviceFailed && inputs == m_inputsGeneration.load())
                m_handlers.deviceFailed(device, failure);
        });
    };
}

void CaptureSession::stopInputs()
{
    ++m_inputsGeneration;
    if (m_cameraRelay)
        m_cameraRelay->close();
    m_cameraRelay.reset();
    m_cameraPipeline.reset();
    m_microphonePipeline.reset();
}

// On the session queue: rebuilds the inputs from scratch for the selection.
void CaptureSession::configureSession(const Selection &selection)
{
    Q_ASSERT(m_queue->isCurrent());
    if (m_handlers.capturingTake())
        return;
    stopInputs();

    Inputs inputs;
    // A capture card with its own sound is recorded with that sound; the
    // selected microphone is not used then.
    std::optional<QString> micID = selection.micID;

    std::optional<CaptureDevice> camera;
    if (selection.videoID && !screenDisplayID(*selection.videoID) && *selection.videoID != screenRequestID) {
        camera = findDevice(selection.cameras, *selection.videoID);
        if (!camera && selection.videoID->startsWith(QLatin1String("/dev/")))
            camera = deviceByID(*selection.videoID, CaptureDevice::Type::externalCamera);
    }
    if (camera) {
        // The first picture of the new camera reports its negotiated size again.
        m_output.forgetCameraSize();
        if (auto input = openCamera(*camera)) {
            auto relay = LatestFrameRelay::create(
                    m_output.queue(), [this](const VideoFrame &frame) { m_output.handleCameraFrame(frame); });
            CapturePipeline::Handlers handlers;
            handlers.onSample = [relay](GstSample *sample, double time) { relay->push(sample, time); };
            handlers.onError = deviceFailureHandler(Device::camera);
            auto started
                    = CapturePipeline::start(input->source, input->conversion, true, std::move(handlers));
            if (started) {
                m_cameraPipeline = started.value();
                m_cameraRelay = relay;
                inputs.videoInput = camera->uniqueID;
                if (camera->carriesAudio)
                    micID = camera->audioSourceID;
                inputs.size = input->size;
            } else {
                relay->close();
            }
        }
    }

    if (micID) {
        const CaptureDevice microphone
                = findDevice(selection.microphones, *micID)
                          .value_or(deviceByID(*micID, CaptureDevice::Type::microphone));
        // A microphone that cannot be opened fails at once; its first buffer is
        // not waited for (an idle PulseAudio sink's monitor sends its first
        // block only after two seconds).
        CapturePipeline::Handlers handlers;
        handlers.onError = deviceFailureHandler(Device::microphone);
        handlers.onDeviceMoved
                = [this, from = microphone.uniqueID, inputs = m_inputsGeneration.load()](const QString &to) {
                      runOnMain(m_context, [this, from, to, inputs] {
                          if (m_handlers.microphoneMoved && inputs == m_inputsGeneration.load())
                              m_handlers.microphoneMoved(from, to);
                      });
                  };
        handlers.onSample = [this](GstSample *sample, double time) {
            gst_sample_ref(sample);
            m_output.queue().post([this, sample, time] {
                m_output.handleAudioSample(sample, time);
                gst_sample_unref(sample);
            });
        };
        auto started = CapturePipeline::start(
                openMicrophone(microphone),
                QStringLiteral("audioconvert ! capsfilter "
                               "caps=\"audio/x-raw,format=(string){S16LE,F32LE},layout=interleaved\""),
                false, std::move(handlers), 0);
        if (started) {
            m_microphonePipeline = started.value();
            inputs.audioInput = microphone.uniqueID;
        }
    }

    inputs.running = m_cameraPipeline || m_microphonePipeline;
    inputs.hasVideo = selection.videoID.has_value();
    inputs.hasAudio = selection.micID.has_value();
    runOnMain(m_context, [this, inputs] { m_handlers.configured(inputs); });
}

} // namespace tandrel
