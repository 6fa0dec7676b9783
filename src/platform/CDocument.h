#pragma once

class CArchive;

// The base of a document: what the load routine and File New call on it. The desktop program
// wraps a document of this kind in its toolkit's document class; the converter uses it alone.
class CDocument {
  public:
    CDocument() = default;
    CDocument(const CDocument&) = delete;
    CDocument& operator=(const CDocument&) = delete;
    virtual ~CDocument() = default;

    // Prepares an empty document; false when that is not possible.
    virtual bool OnNewDocument() { return true; }
    // Loads the document from, or stores it to, an archive.
    virtual void Serialize(CArchive& ar) { (void)ar; }
};
