// FMEncryptedDatabase: a connection to the application knowledge base, which is encrypted with
// the passphrase of BVKnowledgeBaseKey. SQLCipher does not reject a wrong key when it is set; the
// first statement fails instead, so `openDatabase` verifies with a query right after keying.
// Key derivation takes tens of milliseconds, so callers keep the connection open. Same thread
// rules as FMDatabase.
#pragma once

#include "KnowledgeBase/FMDatabase.h"

class FMEncryptedDatabase : public FMDatabase {
public:
    static std::shared_ptr<FMEncryptedDatabase> databaseWithPath(const std::string& path);
    using FMDatabase::FMDatabase;

    // Opens the existing file, sets the key and checks it; false when any step fails (the
    // connection is closed again then).
    bool openDatabase();
    // Opens or creates the file and sets the key, for building a knowledge base.
    bool createDatabase();
};
