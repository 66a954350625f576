#pragma once
// The ODBC provider's internal record set: executes its command, describes the result columns and
// fills the record list block by block, either as an array of rows bound straight into the items
// of a block or row by row with the values that need conversion bound to a separate buffer.
#include <vector>

#include "data/access/CRRecordSet.h"
#include "data/access/providers/ODBCClasses.h"

class TODBCRecordSet : public TCRRecordSet {
public:
    VZ_CLASS(TODBCRecordSet, TCRRecordSet)
    TODBCRecordSet();
    ~TODBCRecordSet() override;

    // ---- overrides of TData and TMemData ----
    void DoPrepare() override;
    void DoUnprepare() override;
    void DoClose() override;
    void DoInitFields() override;
    // The null area holds one driver length indicator (SQLLEN) per field.
    int GetFieldCount() const override { return GetFieldDescCount() * static_cast<int>(sizeof(SQLLEN)); }
    bool IsFullReopen() const override { return false; }
    void Reopen() override;
    bool GetNull(int fieldNo, void* record) override;
    void SetToEnd() override;
    bool Fetch(bool backward) override;

    // ---- overrides of TCRRecordSet ----
    void CreateCommand() override;
    void SetCommand(TCRCommand* value) override;
    void ExecCommand() override;
    bool SetProp(int prop, const Variant& value) override;
    bool GetProp(int prop, Variant& value) override;

    // ---- new virtual operations ----
    virtual void DetectCommandType();
    virtual int GetBindBufferSize(TFieldDesc* field);
    virtual int GetBindLength(TFieldDesc* field);
    // False means NULL. Never takes more than the source slot holds.
    virtual bool ConvertFetchedValue(TFieldDesc* field, void* source, PPieceHeader& sharedPiece,
                                     SQLLEN indicator, void* dest);

    void Check(SQLRETURN code);
    void DescribeField(TFieldDesc* field, int index);
    bool FetchBlock();
    // True when every complex field keeps its value in the string heap, so that a block of such
    // rows can be fetched as one array and converted row by row.
    bool ComplexFieldsStageable();
    void BindColumns(void* record, int rows);
    SQLRETURN SetRowArrayAttributes();
    SQLRETURN SetRowArrayAttributes(int stride);
    // Binds the columns once to a staging array of rows; False when the driver refuses arrays.
    bool BindStaging(int rows);
    // Binds the columns to the items of a block for an array fetch; False when the driver
    // refuses arrays.
    bool BindArray(void* firstRecord, int rows);
    void ForgetBindings();
    void ConvertRow(void* record, PPieceHeader& sharedPiece);
    void AllocBindBuffer();
    void FreeBindBuffer();
    static bool NeedsConversion(TDataTypeCode dataType);
    // Raises when a value in line came cut to its buffer (the driver's indicator is larger).
    void CheckValuesFit(void* record);
    // A long value longer than its bound part, read again whole through SQLGetData.
    void ReadWholeLongValue(TFieldDesc* field, TBlob* blob, PPieceHeader& sharedPiece, SQLLEN indicator);
    bool DriverIgnoresDeclaredSizes();
    void DescribeUnbounded(SQLSMALLINT sqlType, uint16_t& dataType, bool& fixed);

    TODBCCommand* ODBCCommand() const { return odbcCommand_; }
    bool NeedsBindBuffer() const { return needsBindBuffer_; }
    bool FieldsAsString = false;

protected:
    SQLLEN* Indicator(void* record, TFieldDesc* field) const {
        return reinterpret_cast<SQLLEN*>(static_cast<uint8_t*>(record) + DataSize +
                                         (field->Position - 1) * sizeof(SQLLEN));
    }

    TODBCCommand* odbcCommand_ = nullptr;
    bool needsBindBuffer_ = false;
    bool sizesUnbounded_ = false; // the driver keeps values longer than their declared size
    uint8_t* bindBuffer_ = nullptr;
    int bindBufferSize_ = 0;
    SQLULEN* rowsFetched_ = nullptr;
    std::vector<uint8_t> staging_; // rows of a block that need conversion, as the driver wrote them
    bool stagingBound_ = false;
    struct StagedField {
        TFieldDesc* Field;
        int Offset;
    };
    std::vector<StagedField> stagedFields_;
    struct StagedSpan {
        int Offset;
        int Size;
    };
    std::vector<StagedSpan> stagedSpans_; // the parts of a staged row copied into its item
    bool arrayBound_ = false;
    int arrayRows_ = 0;
    uint8_t* arrayBase_ = nullptr;
    SQLULEN bindOffset_ = 0; // read by the driver at each fetch
};
