#include "app/message_keys.h"

#include <map>

namespace orv {

const std::vector<std::pair<Msg, std::string>>& AllMessageKeys() {
  static const std::vector<std::pair<Msg, std::string>> table = {
      {Msg::HostNotConn, "HOST_NOT_CONN"},
      {Msg::HostError, "HOST_ERROR"},
      {Msg::DataError, "DATA_ERROR"},
      {Msg::NoInternet, "NO_INTERNET"},
      {Msg::LogSaveFailed, "LOG_SAVE_FAILED"},
      {Msg::EnterEmail, "ENTER_EMAIL"},
      {Msg::EnterPassword, "ENTER_PASSWORD"},
      {Msg::CliPasswordPrompt, "CLI_PASSWORD_PROMPT"},
      {Msg::EmailPwdError, "EMAIL_PWD_ERROR"},
      {Msg::UsbInUse, "USB_IN_USE"},
      {Msg::UsbNotConn, "USB_NOT_CONN"},
      {Msg::NotSupporDevice, "NOT_SUPPOR_DEVICE"},
      {Msg::UsbError, "USB_ERROR"},
      {Msg::PreparingUpload, "PREPARING_UPLOAD"},
      {Msg::AnalyzingUpload, "ANALYZING_UPLOAD"},
      {Msg::ReadUpload, "READ_UPLOAD"},
      {Msg::CompleteUpload, "COMPLETE_UPLOAD"},
      {Msg::UploadAdded, "UPLOAD_ADDED"},
      {Msg::UploadNothingNew, "UPLOAD_NOTHING_NEW"},
      {Msg::UploaingLog, "UPLOAING_LOG"},
      {Msg::ReadingLog, "READING_LOG"},
      {Msg::NoUpdateInfo, "NO_UPDATE_INFO"},
      {Msg::FirmwareInfo, "FIRMWARE_INFO"},
      {Msg::SureUpdateDs, "SURE_UPDATE_DS"},
      {Msg::GetUpdateFile, "GET_UPDATE_FILE"},
      {Msg::WritingUpdate, "WRITING_UPDATE"},
      {Msg::FileWriteError, "FILE_WRITE_ERROR"},
      {Msg::FileError, "FILE_ERROR"},
      {Msg::UnableGetFile, "UNABLE_GET_FILE"},
      {Msg::UpdateComplete, "UPDATE_COMPLETE"},
      {Msg::FirmwareUpdated, "FIRMWARE_UPDATED"},
      {Msg::DsUpdated, "DS_UPDATED"},
      {Msg::NoDiveSite, "NO_DIVE_SITE"},
      {Msg::UnableToWrite, "UNABLE_TO_WRITE"},
      {Msg::SureSendDs, "SURE_SEND_DS"},
      {Msg::DiveSiteWrited, "DIVE_SITE_WRITED"},
      {Msg::SureReadDs, "SURE_READ_DS"},
      {Msg::DiveSiteReaded, "DIVE_SITE_READED"},
      {Msg::DsFileError, "DS_FILE_ERROR"},
      {Msg::DiveSiteMax, "DIVE_SITE_MAX"},
      {Msg::ToDelDiveSize, "TO_DEL_DIVE_SIZE"},
      {Msg::SiteUnnamed, "SITE_UNNAMED"},
      {Msg::SiteRowLat, "SITE_ROW_LAT"},
      {Msg::SiteRowLng, "SITE_ROW_LNG"},
      {Msg::DiveSiteNotFound, "DIVE_SITE_NOT_FOUND"},
      {Msg::LatlngRangeError, "LATLNG_RANGE_ERROR"},
      {Msg::Scuba, "SCUBA"},
      {Msg::Gauge, "GAUGE"},
      {Msg::Freedive, "FREEDIVE"},
      {Msg::Sunny, "SUNNY"},
      {Msg::Cloudy, "CLOUDY"},
      {Msg::Rain, "RAIN"},
      {Msg::Snow, "SNOW"},
      {Msg::Overcast, "OVERCAST"},
      {Msg::WaveNo, "WAVE_NO"},
      {Msg::WaveSmall, "WAVE_SMALL"},
      {Msg::WaveMedium, "WAVE_MEDIUM"},
      {Msg::WaveHigh, "WAVE_HIGH"},
      {Msg::CurrentNo, "CURRENT_NO"},
      {Msg::CurrentSmall, "CURRENT_SMALL"},
      {Msg::CurrentMedium, "CURRENT_MEDIUM"},
      {Msg::CurrentStrong, "CURRENT_STRONG"},
      {Msg::VisibilityClear, "VISIBILITY_CLEAR"},
      {Msg::VisibilitySoso, "VISIBILITY_SOSO"},
      {Msg::VisibilityBad, "VISIBILITY_BAD"},
      {Msg::ExportWeather, "EXPORT_WEATHER"},
      {Msg::ExportWaves, "EXPORT_WAVES"},
      {Msg::ExportCurrent, "EXPORT_CURRENT"},
      {Msg::ExportVisibility, "EXPORT_VISIBILITY"},
      {Msg::ExportSuit, "EXPORT_SUIT"},
      {Msg::ExportWeight, "EXPORT_WEIGHT"},
      {Msg::ExportEntry, "EXPORT_ENTRY"},
      {Msg::ExportExit, "EXPORT_EXIT"},
      {Msg::ExportDepthAlarm, "EXPORT_DEPTH_ALARM"},
      {Msg::ExportProgress, "EXPORT_PROGRESS"},
      {Msg::ExportSummary, "EXPORT_SUMMARY"},
      {Msg::ExportNoDives, "EXPORT_NO_DIVES"},
      {Msg::ExportWriteError, "EXPORT_WRITE_ERROR"},
      {Msg::ExportSaveTitle, "EXPORT_SAVE_TITLE"},
      {Msg::ExportFilterUddf, "EXPORT_FILTER_UDDF"},
      {Msg::ExportFilterCsv, "EXPORT_FILTER_CSV"},
      {Msg::ExportBadRange, "EXPORT_BAD_RANGE"},
      {Msg::BusyWorking, "BUSY_WORKING"},
      {Msg::BusySigningIn, "BUSY_SIGNING_IN"},
      {Msg::BusyMonth, "BUSY_MONTH"},
      {Msg::BusyDay, "BUSY_DAY"},
      {Msg::BusyTotals, "BUSY_TOTALS"},
      {Msg::BusyDive, "BUSY_DIVE"},
      {Msg::BusySaving, "BUSY_SAVING"},
      {Msg::BusySearch, "BUSY_SEARCH"},
      {Msg::BusyUpdates, "BUSY_UPDATES"},
      {Msg::NotSavedMonth, "NOT_SAVED_MONTH"},
      {Msg::NotSavedDay, "NOT_SAVED_DAY"},
      {Msg::NotSavedLog, "NOT_SAVED_LOG"},
      {Msg::NotSavedStats, "NOT_SAVED_STATS"},
      {Msg::NoSavedCopy, "NO_SAVED_COPY"},
      {Msg::SavedCopyBroken, "SAVED_COPY_BROKEN"},
      {Msg::SavedCopyNewer, "SAVED_COPY_NEWER"},
      {Msg::SavedCopyWrite, "SAVED_COPY_WRITE"},
      {Msg::NeedsService, "NEEDS_SERVICE"},
      {Msg::OfflineHint, "OFFLINE_HINT"},
      {Msg::SyncSummary, "SYNC_SUMMARY"},
      {Msg::SyncStopped, "SYNC_STOPPED"},
      {Msg::SavedCopyBusy, "SAVED_COPY_BUSY"},
      {Msg::SavedCopyFull, "SAVED_COPY_FULL"},
      {Msg::SavedCopyReadOnly, "SAVED_COPY_READ_ONLY"},
      {Msg::SavedCopyDamaged, "SAVED_COPY_DAMAGED"},
      {Msg::SavedCopyEmpty, "SAVED_COPY_EMPTY"},
      {Msg::FilterBadDate, "FILTER_BAD_DATE"},
      {Msg::FilterBadNumber, "FILTER_BAD_NUMBER"},
      {Msg::FilterReversed, "FILTER_REVERSED"},
      {Msg::DivesCount, "DIVES_COUNT"},
  };
  return table;
}

const std::string& KeyOf(Msg msg) {
  static const std::vector<std::string> texts = [] {
    std::vector<std::string> by_index(AllMessageKeys().size() + 1);
    for (const auto& [m, text] : AllMessageKeys()) by_index[static_cast<size_t>(m)] = text;
    return by_index;
  }();
  const auto index = static_cast<size_t>(msg);
  return index < texts.size() ? texts[index] : texts[0];
}

Msg MsgOf(const std::string& key) {
  static const std::map<std::string, Msg> by_key = [] {
    std::map<std::string, Msg> map;
    for (const auto& [m, text] : AllMessageKeys()) map.emplace(text, m);
    return map;
  }();
  const auto it = by_key.find(key);
  return it == by_key.end() ? Msg::None : it->second;
}

}  // namespace orv
