#pragma once
// The records' tables, one schema for SQLite and PostgreSQL (only the names of the key and
// byte types differ), and the version it carries. A database is brought up to this version's
// schema one step at a time; one written by a newer version is refused before anything in it
// is changed.
#include "clients/StoreConnection.h"

namespace velvo::clients {

// The schema version stored in `connection`, 0 for a database without the records' tables.
int StoredSchemaVersion(StoreConnection& connection);

// Creates or upgrades the schema to ClientStore::kSchemaVersion, each step in a transaction
// of its own. Throws StoreError for a newer version, leaving the database untouched.
void PrepareSchema(StoreConnection& connection);

} // namespace velvo::clients
