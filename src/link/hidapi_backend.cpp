// The HID backend over hidapi (hidraw on Linux).
#include "bounded_writer.h"
#include "hid_backend.h"

#include <hidapi.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {

// Devices whose handle is still open, so that hid_exit waits for the close of a stuck write.
struct OpenHandles {
    std::mutex mutex;
    std::condition_variable changed;
    int count = 0;
    void closed() {
        std::lock_guard lock(mutex);
        --count;
        changed.notify_all();
    }
};

class HidapiDevice : public HidDeviceIo {
  public:
    HidapiDevice(hid_device* device, const std::shared_ptr<OpenHandles>& handles)
        : m_device(device),
          // hidapi's write blocks for as long as the system holds it, so it runs on the writer's
          // thread; the handle is closed there too, once no write uses it any more.
          m_writer(
              [device](std::span<const uint8_t> report) {
                  return hid_write(device, report.data(), report.size());
              },
              [device, handles] {
                  hid_close(device);
                  handles->closed();
              }) {}

    int write(std::span<const uint8_t> report, int timeoutMs) override {
        return m_writer.write(report, timeoutMs);
    }
    int read(std::span<uint8_t> report, int timeoutMs) override {
        return hid_read_timeout(m_device, report.data(), report.size(), timeoutMs);
    }
    int serialNumber(wchar_t* text, std::size_t maxChars) override {
        return hid_get_serial_number_string(m_device, text, maxChars);
    }

  private:
    hid_device* m_device;
    BoundedWriter m_writer;
};

class HidapiBackend : public HidBackend {
  public:
    HidapiBackend() : m_initialised(hid_init() == 0) {}
    ~HidapiBackend() override {
        // A write the system still holds closes its device when it returns; hidapi must stay
        // initialised until then. Should it never return, the library is left as it is.
        std::unique_lock lock(m_handles->mutex);
        const bool allClosed = m_handles->changed.wait_for(lock, std::chrono::seconds(10),
                                                           [&] { return m_handles->count == 0; });
        if (m_initialised && allClosed)
            hid_exit();
    }

    std::unique_ptr<HidDeviceIo> open(uint16_t vendorId, uint16_t productId) override {
        if (!m_initialised)
            return nullptr;
        hid_device* device = hid_open(vendorId, productId, nullptr);
        if (!device)
            return nullptr;
        {
            std::lock_guard lock(m_handles->mutex);
            ++m_handles->count;
        }
        return std::make_unique<HidapiDevice>(device, m_handles);
    }

    int64_t nowMs() const override {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

  private:
    bool m_initialised;
    std::shared_ptr<OpenHandles> m_handles = std::make_shared<OpenHandles>();
};

} // namespace

std::unique_ptr<HidBackend> makeHidapiBackend() {
    return std::make_unique<HidapiBackend>();
}
