// A header of items/ that items/dbs/PaintDatabaseWrapper.h names by its bare name.
#pragma once
