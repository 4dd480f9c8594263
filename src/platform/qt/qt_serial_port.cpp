#include "platform/qt/qt_serial_port.h"

#include <sys/stat.h>

#include <QMetaObject>
#include <cerrno>

namespace norva {

namespace {

QSerialPort::DataBits toQt(TDatabits d) {
  switch (d) {
    case TDatabits::da5: return QSerialPort::Data5;
    case TDatabits::da6: return QSerialPort::Data6;
    case TDatabits::da7: return QSerialPort::Data7;
    default: return QSerialPort::Data8;
  }
}

QSerialPort::Parity toQt(TParity p) {
  switch (p) {
    case TParity::paOdd: return QSerialPort::OddParity;
    case TParity::paEven: return QSerialPort::EvenParity;
    case TParity::paMark: return QSerialPort::MarkParity;
    case TParity::paSpace: return QSerialPort::SpaceParity;
    default: return QSerialPort::NoParity;
  }
}

QSerialPort::StopBits toQt(TStopbits s) {
  switch (s) {
    case TStopbits::sb15: return QSerialPort::OneAndHalfStop;
    case TStopbits::sb20: return QSerialPort::TwoStop;
    default: return QSerialPort::OneStop;
  }
}

}  // namespace

QtSerialPort::QtSerialPort() = default;

QtSerialPort::~QtSerialPort() { close(); }

bool QtSerialPort::isOpen() const { return port_ && port_->isOpen(); }

void QtSerialPort::open() {
  if (isOpen()) throw ECommError(comm_msg::kAlreadyOpen, -1);
  const std::string path = resolve_ ? resolve_(deviceName()) : deviceName();
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) throw ECommError(comm_msg::kCannotOpen, errno);
  if (!S_ISCHR(st.st_mode)) throw ECommError(comm_msg::kNotCharDevice, -1);
  if (databits() == TDatabits::da4) throw ECommError(comm_msg::kLineSettings, EINVAL);

  auto port = std::make_unique<QSerialPort>();
  port->setPortName(QString::fromStdString(path));
  port->setReadBufferSize(0);
  if (!port->open(QIODevice::ReadWrite)) {
    throw ECommError(comm_msg::kCannotOpen, static_cast<int>(port->error()));
  }
  port_ = std::move(port);
  failing_ = false;
  try {
    applyLineSettings();
  } catch (...) {
    close();
    throw;
  }
  QObject::connect(port_.get(), &QSerialPort::readyRead, port_.get(), [this] {
    if (onRxChar && isOpen() && port_->bytesAvailable() > 0) {
      onRxChar(static_cast<int>(port_->bytesAvailable()));
    }
  });
  QObject::connect(port_.get(), &QSerialPort::errorOccurred, port_.get(),
                   [this](QSerialPort::SerialPortError e) {
                     // A vanished device floods ReadError; the first one ends the port.
                     if (e == QSerialPort::ReadError || e == QSerialPort::WriteError ||
                         e == QSerialPort::ResourceError) {
                       fail(port_->errorString().toStdString());
                     }
                   });
}

void QtSerialPort::fail(const std::string& reason) {
  if (failing_ || !port_) return;
  failing_ = true;
  // Stop the notifications now, close outside the port's own signal.
  port_->blockSignals(true);
  QMetaObject::invokeMethod(
      port_.get(),
      [this, failed = port_.get(), reason] {
        if (port_.get() != failed) return;  // closed or replaced meanwhile
        close();
        if (onFailure) onFailure(reason);
      },
      Qt::QueuedConnection);
}

void QtSerialPort::close() {
  if (!port_) return;
  port_->blockSignals(true);
  // What is still queued goes out first: the last message of the tear-down
  // is written after the loop has stopped.
  if (port_->isOpen() && !failing_ && port_->bytesToWrite() > 0) {
    port_->waitForBytesWritten(kWriteTimeoutMs);
  }
  if (port_->isOpen()) port_->close();
  // The port object may be inside one of its own signals: delete it later.
  port_.release()->deleteLater();
}

void QtSerialPort::applyLineSettings() {
  if (!port_->setBaudRate(baudRateValue(baudRate())) || !port_->setDataBits(toQt(databits())) ||
      !port_->setParity(toQt(parity())) || !port_->setStopBits(toQt(stopbits()))) {
    throw ECommError(comm_msg::kLineSettings, static_cast<int>(port_->error()));
  }
}

void QtSerialPort::lineSettingsChanged() {
  if (isOpen()) applyLineSettings();
}

int QtSerialPort::write(const std::uint8_t* data, int count) {
  if (!isOpen()) throw ECommError(comm_msg::kWrite, EBADF);
  const qint64 n = port_->write(reinterpret_cast<const char*>(data), count);
  if (n < 0) throw ECommError(comm_msg::kWrite, static_cast<int>(port_->error()));
  // The output queue is bounded as the driver's was; a line that does not
  // drain within the time-out reports a timed-out write.
  if (port_->bytesToWrite() > kWriteBufSize && !port_->waitForBytesWritten(kWriteTimeoutMs)) {
    return -1;
  }
  return static_cast<int>(n);
}

void QtSerialPort::purgeTransmit() {
  if (isOpen()) port_->clear(QSerialPort::Output);
}

int QtSerialPort::read(std::uint8_t* buffer, int count) {
  if (!isOpen()) return 0;
  const qint64 n = port_->read(reinterpret_cast<char*>(buffer), count);
  if (n < 0) throw ECommError(comm_msg::kRead, static_cast<int>(port_->error()));
  return static_cast<int>(n);
}

}  // namespace norva
