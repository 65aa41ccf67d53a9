// The open user's filing cabinet: opened (or, after asking, created) when
// the user is opened, given the news files of the versions the user has not
// seen yet, and closed with the user.
#pragma once

#include <string>

#include "app/user_services.h"
#include "cabinet/cabinet.h"

namespace orvane::app {

// Opens session.cabinet into session.filing_cabinet (creating it after the
// question: a user's own cabinet is created when nobody can be asked).
platform::Status open_user_cabinet(UserSession& session, platform::Policy& policy,
                                   platform::Env& env);
// Files every pending "README%02d.txt" of `program_directory` into the
// In-Basket, titled with the version it tells about.
platform::Status deliver_news_files(UserSession& session, const std::string& program_directory,
                                    platform::Env& env);
// Writes back and closes the cabinet.
platform::Status close_user_cabinet(UserSession& session);

}  // namespace orvane::app
