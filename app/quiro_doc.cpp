#include "app/quiro_doc.h"

#include "res/strings.h"

CQuiroDoc::CQuiroDoc() : m_strTitle(quiro::res::LoadString(quiro::res::IDS_UNTITLED)) {}

bool CQuiroDoc::OnNewDocument() {
  SetTitle(quiro::res::LoadString(quiro::res::IDS_UNTITLED));
  return true;
}

void CQuiroDoc::SetTitle(const std::string& title) {
  m_strTitle = title;
  m_titleChanged.emit(m_strTitle);
}
