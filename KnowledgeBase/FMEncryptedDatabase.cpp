#include "KnowledgeBase/FMEncryptedDatabase.h"

#include "KnowledgeBase/BVKnowledgeBaseKey.h"

std::shared_ptr<FMEncryptedDatabase> FMEncryptedDatabase::databaseWithPath(const std::string& path) {
    return std::make_shared<FMEncryptedDatabase>(path);
}

bool FMEncryptedDatabase::openDatabase() {
    if (!openReadWriteExisting()) return false;
    if (!setKey(BVKnowledgeBaseKey::passphrase())) {
        close();
        return false;
    }
    auto rows = executeQuery("SELECT count(*) FROM sqlite_master;");
    bool ok = rows && rows->next();
    rows.reset();
    if (!ok) close();
    return ok;
}

bool FMEncryptedDatabase::createDatabase() {
    if (!open()) return false;
    if (!setKey(BVKnowledgeBaseKey::passphrase())) {
        close();
        return false;
    }
    return true;
}
