#include "base/conversion_error.h"

#include <cerrno>
#include <system_error>

namespace tarvex {

ConversionError::ConversionError(int number)
    : ConversionError(number, FailureDescription(number)) {}

ConversionError::ConversionError(int number, const std::string& description)
    : std::runtime_error(description), number_(number) {}

std::string FailureDescription(int number) {
  switch (number) {
    case failure::kInvalidArgument:
      return "Llamada a procedimiento o argumento no válido";
    case failure::kOverflow:
      return "Desbordamiento";
    case failure::kOutOfMemory:
      return "Memoria insuficiente";
    case failure::kBadFileName:
      return "Nombre o número de archivo incorrecto";
    case failure::kReportIntoDownload:
      return "El informe no puede guardarse en el archivo de descarga abierto";
    case failure::kFileNotFound:
      return "No se encontró el archivo";
    case failure::kReportBusy:
      return "Otro programa está escribiendo en el archivo de informe: no se ha escrito nada";
    case failure::kDeviceIo:
      return "Error de E/S de dispositivo";
    case failure::kDiskFull:
      return "Disco lleno";
    case failure::kInputPastEnd:
      return "La entrada sobrepasa el final del archivo: el archivo está vacío";
    case failure::kNoWriter:
      return "Dispositivo no disponible: nadie escribe en la tubería";
    case failure::kPermissionDenied:
      return "Permiso denegado";
    case failure::kPathFileAccess:
      return "Error de acceso a la ruta o el archivo";
    case failure::kPathNotFound:
      return "No se encontró la ruta de acceso";
    default:
      return "Error definido por la aplicación o por el objeto";
  }
}

namespace {

// True when every folder above `path` exists, so that a missing entry is the file itself.
bool ParentFolderExists(const std::filesystem::path& path) noexcept {
  std::error_code ec;
  const std::filesystem::path parent = path.parent_path();
  if (parent.empty()) return true;
  return std::filesystem::is_directory(parent, ec);
}

}  // namespace

ConversionError FileFailure(int error_code, const std::filesystem::path& path) {
  switch (static_cast<std::errc>(error_code)) {
    case std::errc::no_such_file_or_directory:
      return ConversionError(ParentFolderExists(path) ? failure::kFileNotFound
                                                      : failure::kPathNotFound);
    case std::errc::not_a_directory:
      return ConversionError(failure::kPathNotFound);
    case std::errc::permission_denied:
    case std::errc::operation_not_permitted:
      return ConversionError(failure::kPermissionDenied);
    case std::errc::is_a_directory:
    case std::errc::read_only_file_system:
    case std::errc::too_many_symbolic_link_levels:
    case std::errc::text_file_busy:
    case std::errc::device_or_resource_busy:
      return ConversionError(failure::kPathFileAccess);
    case std::errc::filename_too_long:
    case std::errc::invalid_argument:
      return ConversionError(failure::kBadFileName);
    case std::errc::no_space_on_device:
    case std::errc::file_too_large:
      return ConversionError(failure::kDiskFull);
    case std::errc::not_enough_memory:
      return ConversionError(failure::kOutOfMemory);
    default:
#ifdef EDQUOT
      if (error_code == EDQUOT) return ConversionError(failure::kDiskFull);
#endif
      return ConversionError(failure::kDeviceIo);
  }
}

ConversionError LastFileFailure(const std::filesystem::path& path) {
  return FileFailure(errno != 0 ? errno : EIO, path);
}

void ThrowInvalidArgument() {
  throw ConversionError(failure::kInvalidArgument);
}

void ThrowOverflow() {
  throw ConversionError(failure::kOverflow);
}

}  // namespace tarvex
